#pragma once
// The panel's run-time values that every part of the panel reads (detection,
// acquisition, browsing, drawing). Plain fields on the GUI thread only: the
// acquisition worker never sees this struct, it hands its results over.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "spectrum/SpectrumWorkspace.h"
#include "store/StoreBounds.h"

namespace vmf {

struct PanelState {
    int selectedHead = 0;     // index in head list 1003; negative = none
    int displayedRecord = 0;  // record slot shown for every head
    MeasuringMethod method = MeasuringMethod::LightSource;  // never persisted
    bool detected = false;        // heads found by the last Detect, not yet released
    bool measuring = false;       // set by the acquisition cycle (and dark measurement)
    bool darkInProgress = false;  // the panel's dark measurement is running
    bool barDisplay = false;      // check box 1024, not persisted
    bool selectedOnly = false;    // check box 1019, not persisted
    std::array<DeviceNumber, MAX_HEADS> headDevice;  // device number of each head slot
    // The detected heads' serial numbers in slot order (store bytes); empty
    // while nothing is detected. Measuring is refused into other heads.
    std::vector<std::string> detectedSerials;
    std::optional<DeviceNumber> mirrorDevice;  // last mirror unit found
    int compareHead = 0;                       // comparison head shown (comparison file loaded)
    int compareRecord = 0;                     // comparison record shown
};

}  // namespace vmf
