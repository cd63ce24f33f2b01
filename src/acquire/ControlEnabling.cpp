#include "acquire/ControlEnabling.h"

namespace vmf {

namespace {

// A stopped cycle with its worker still running keeps everything that could
// touch the working slot or start a worker switched off, exactly as while
// measuring.
bool Busy(const ControlFlags& f) { return f.measuring || f.workerPending; }

}  // namespace

std::array<ControlEnable, kRefreshedControlCount> RefreshControlsTable(const ControlFlags& f) {
    const bool idle = !Busy(f);
    const bool ready = f.detected && idle;
    // Start stays off during the dark measurement: there the measuring flag is
    // set, so a click would act as Stop in the middle of the procedure.
    const bool start = f.detected && !f.darkInProgress && !f.workerPending;
    return {{
        {1001, start},
        {1002, idle},
        {1035, idle},
        {1036, idle},
        {1043, idle},
        {1052, idle},
        {1042, idle},
        {1008, idle},
        {1009, idle},
        {1010, idle},
        {1053, ready},
        {1040, ready},
        {1020, ready && f.method == MeasuringMethod::Reflectance},
        {1021, ready && f.method == MeasuringMethod::Transmittance},
        {1023, OneShotEnabled(f)},
    }};
}

ModeDisplayState ModeDisplayFor(const ControlFlags& f) {
    ModeDisplayState s;
    const int mode = static_cast<int>(f.method);
    for (int i = 0; i < 3; ++i) s.checked[i] = (i == mode);
    if (mode < 0 || mode > 2) s.checked[0] = true;  // never leave the group without a mark
    const bool ready = f.detected && !Busy(f);
    s.enable = {{{1040, ready},
                 {1020, ready && f.method == MeasuringMethod::Reflectance},
                 {1021, ready && f.method == MeasuringMethod::Transmittance}}};
    return s;
}

bool OneShotEnabled(const ControlFlags& f) {
    return f.detected && !f.loggingOn && !f.darkInProgress && !f.workerPending;
}

}  // namespace vmf
