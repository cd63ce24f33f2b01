#pragma once
// The one rule that enables and disables the panel's controls, and the mode
// display, as pure functions: panel flags in, enabled state per control id
// out. The GUI applies the result to its widgets; tests check the table
// without a window.

#include <array>

#include "spectrum/SpectrumWorkspace.h"

namespace vmf {

struct ControlFlags {
    bool detected = false;
    bool measuring = false;
    MeasuringMethod method = MeasuringMethod::LightSource;
    bool loggingOn = false;
    bool darkInProgress = false;
    // A cycle was stopped while its worker still talks to the heads: until
    // its results are in, the panel stays as while measuring and Start and
    // One-shot stay off, so no second worker can be started over it.
    bool workerPending = false;
};

struct ControlEnable {
    int id;
    bool enabled;
};

// Controls RefreshControls sets, in this order: 1001, 1002, 1035, 1036,
// 1043, 1052, 1042, 1008, 1009, 1010, 1053, 1040, 1020, 1021, 1023.
inline constexpr int kRefreshedControlCount = 15;
std::array<ControlEnable, kRefreshedControlCount> RefreshControlsTable(const ControlFlags& f);

// What the mode display sets: the check mark of 1008/1009/1010 (exactly one)
// and the enabling of Dark reset 1040, White 1020 and 100 % 1021.
struct ModeDisplayState {
    std::array<bool, 3> checked{};  // 1008, 1009, 1010
    std::array<ControlEnable, 3> enable{{{1040, false}, {1020, false}, {1021, false}}};
};
ModeDisplayState ModeDisplayFor(const ControlFlags& f);

// One-shot 1023 after a click of the logging box: detected, logging off, no
// dark measurement and no stopped worker pending.
bool OneShotEnabled(const ControlFlags& f);

}  // namespace vmf
