#pragma once
// The click handlers of the measuring-mode buttons (1008..1010) and the
// option boxes (logging 1014, interval 1016, sensitivity 1018, selected-only
// 1019): each changes one panel value, writes its message and, where the
// value changes what is shown, re-processes the displayed record.

#include "acquire/AcquisitionContext.h"
#include "acquire/AcquisitionCycle.h"
#include "acquire/AcquisitionHost.h"

namespace vmf {

class OptionCommands {
public:
    OptionCommands(AcquisitionContext& ctx, AcquisitionHost& host, AcquisitionCycle& cycle)
        : ctx_(ctx), host_(host), cycle_(cycle) {}

    // Radio buttons: method 0, 1 or 2. Repeating the marked one repeats the
    // message and the re-processing.
    void OnModeButton(MeasuringMethod method);
    // Logging box: loggingOn follows the box's check state.
    void OnLogging(bool checked);
    // Interval and sensitivity boxes flip their value on each click; the
    // panel initialisation sets the marks from the values.
    void OnInterval();
    void OnSensitivity();
    // Selected-only box: follows the check state.
    void OnSelectedOnly(bool checked);

private:
    AcquisitionContext& ctx_;
    AcquisitionHost& host_;
    AcquisitionCycle& cycle_;
};

}  // namespace vmf
