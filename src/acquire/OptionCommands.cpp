#include "acquire/OptionCommands.h"

#include <algorithm>

#include "acquire/AcquisitionTexts.h"

namespace vmf {

namespace {

constexpr int kOneShotButton = 1023;
constexpr int kIntervalEdit = 1017;

}  // namespace

void OptionCommands::OnModeButton(MeasuringMethod method) {
    int mode = static_cast<int>(method);
    if (mode < 0 || mode > 2) mode = 0;
    ctx_.method = static_cast<MeasuringMethod>(mode);
    cycle_.ModeDisplay();
    host_.ShowMessage(acq::kMsgModeLine1[mode], acq::kMsgModeLine2[mode]);
    host_.ReprocessDisplayed();
}

void OptionCommands::OnLogging(bool checked) {
    ctx_.options.loggingOn = checked ? 1 : 0;
    if (checked)
        host_.ShowMessage(acq::kMsgLoggingOn1, acq::kMsgLoggingOn2);
    else
        host_.ShowMessage(acq::kMsgLoggingOff1, acq::kMsgLoggingOff2);
    host_.EnableControl(kOneShotButton, OneShotEnabled(cycle_.Flags()));
}

void OptionCommands::OnInterval() {
    ctx_.options.intervalOn = ctx_.options.intervalOn ? 0 : 1;
    if (ctx_.options.intervalOn)
        host_.ShowMessage(acq::kMsgIntervalOn1, acq::kMsgIntervalOn2);
    else
        host_.ShowMessage(acq::kMsgIntervalOff, {});
    host_.EnableControl(kIntervalEdit, ctx_.options.intervalOn == 1);
}

void OptionCommands::OnSensitivity() {
    ctx_.options.sensitivityOn = ctx_.options.sensitivityOn ? 0 : 1;
    host_.ShowMessage(ctx_.options.sensitivityOn ? acq::kMsgSensitivityOn : acq::kMsgSensitivityOff,
                      {});
    host_.ReprocessDisplayed();
}

void OptionCommands::OnSelectedOnly(bool checked) {
    ctx_.selectedOnly = checked;
    Cvarnello_mfDoc& doc = ctx_.doc;
    const int heads = std::clamp(doc.headCount, 0, MAX_HEADS);
    const int s = ctx_.selectedHead;
    if (s < 0 || s >= heads || doc.recordCount[s] <= 0) return;
    host_.ShowMessage(checked ? acq::kMsgSelectedOnlyOn : acq::kMsgSelectedOnlyOff, {});
    // While a worker may still write the working slot and dark step 20 the
    // panel leaves them alone; the cycle redraws when it hands over.
    if (cycle_.ProcessingBlocked()) return;
    const ProcessingOptions opt = ctx_.Processing();
    for (int a = 0; a < heads; ++a) {
        ctx_.workspace.ProcessRecord(doc, a, ctx_.displayedRecord, opt);
        ctx_.workspace.ResampleRecord(doc, a, ctx_.displayedRecord, opt);
    }
    host_.DrawGraph();
    host_.UpdateInfoBar(s);
}

}  // namespace vmf
