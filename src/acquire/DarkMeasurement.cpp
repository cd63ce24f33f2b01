#include "acquire/DarkMeasurement.h"

#include <algorithm>

#include "acquire/AcquisitionTexts.h"
#include "device/CalibrationProtocol.h"
#include "store/TextFormat.h"

namespace vmf {

namespace {

constexpr int kStepMs = 10;
constexpr int kEndMs = 1000;
constexpr int kStartButton = 1001;
constexpr int kLongStep = 19;
constexpr double kInterpolationDivisor = 19.0;

}  // namespace

void InterpolateDarkSteps(Cvarnello_mfDoc& doc, int a) {
    if (a < 0 || a >= MAX_HEADS) return;
    const int n = std::clamp(doc.channelCount[a], 0, MAX_CHANNELS);
    auto& table = doc.darkTable[a];
    for (int j = 1; j < DARK_STEPS; ++j) {
        if (j == kLongStep) continue;
        for (int i = 0; i < n; ++i) {
            const float s0 = table[0][i];
            const float rise = (table[kLongStep][i] - s0) * static_cast<float>(j);
            table[j][i] = static_cast<float>(s0 + rise / kInterpolationDivisor);
        }
    }
}

DarkMeasurement::DarkMeasurement(AcquisitionContext& ctx, AcquisitionHost& host,
                                 AcquisitionCycle& cycle, WorkerMode mode)
    : ctx_(ctx), host_(host), cycle_(cycle), worker_(mode) {}

DarkMeasurement::~DarkMeasurement() { worker_.Join(); }

int DarkMeasurement::Heads() const { return std::clamp(ctx_.doc.headCount, 0, MAX_HEADS); }

void DarkMeasurement::OnButton() {
    // Without detected heads the reads would fail and leave every dark step
    // at zero.
    if (!ctx_.detected || ctx_.darkInProgress || cycle_.ProcessingBlocked()) return;
    Cvarnello_mfDoc& doc = ctx_.doc;
    if (doc.recordCount[0] != 0) {
        ctx_.dialogs.Notify(acq::kNoticeDarkRecordsPresent);
        return;
    }
    if (!ctx_.dialogs.AskOkCancel(acq::kAskDarkShade)) return;

    heads_ = Heads();
    for (int k = 0; k < heads_; ++k) {
        ctx_.devices.DevSetExposure(ctx_.headDevice[k], kDarkShortExposureUs);
        slot_[k] = std::clamp(doc.recordCount[k], 0, LAST_RECORD);
    }
    state_.store(0, std::memory_order_release);
    ctx_.measuring = true;
    ctx_.darkInProgress = true;
    cycle_.RefreshControls();
    host_.EnableControl(kStartButton, false);
    host_.StartTimer(kTimerDarkStep, kStepMs);
}

void DarkMeasurement::ShowPosted() {
    for (auto& [line1, line2] : mailbox_.Take()) host_.ShowMessage(line1, line2);
}

void DarkMeasurement::ShowElapsed(uint32_t now, const char* format) {
    const int seconds = static_cast<int>((now - startTick_) / 1000u);
    if (seconds != lastShownSecond_) {
        lastShownSecond_ = seconds;
        host_.ShowMessage(CFormat(format, seconds), {});
    }
}

void DarkMeasurement::LaunchReads(const char* begin, const char* end) {
    // Raised before the thread exists so no close request slips in between.
    if (ctx_.busy) ctx_.busy->store(1);
    worker_.Launch([this, begin, end] {
        mailbox_.Post(begin);
        if (ctx_.busy) ctx_.busy->store(1);
        for (int k = 0; k < heads_; ++k)
            ReadAveragedSpectrum(ctx_.doc, ctx_.devices, k, slot_[k], 1, current_[k]);
        if (ctx_.busy) ctx_.busy->store(0);
        mailbox_.Post(end);
        state_.fetch_add(1, std::memory_order_acq_rel);
    });
}

void DarkMeasurement::OnStepTimer(uint32_t now) {
    if (!ctx_.darkInProgress) return;
    ShowPosted();
    Cvarnello_mfDoc& doc = ctx_.doc;
    switch (State()) {
        case 0:
            // The first read after the exposure change is not used.
            for (int k = 0; k < heads_; ++k)
                ReadAveragedSpectrum(doc, ctx_.devices, k, slot_[k], 1, current_[k]);
            state_.store(1, std::memory_order_release);
            break;
        case 1:
            for (int k = 0; k < heads_; ++k) {
                ReadAveragedSpectrum(doc, ctx_.devices, k, slot_[k], 2, current_[k]);
                const int n = std::clamp(doc.channelCount[k], 0, MAX_CHANNELS);
                std::copy(current_[k].begin(), current_[k].begin() + n,
                          doc.darkTable[k][0].begin());
            }
            for (int k = 0; k < heads_; ++k)
                ctx_.devices.DevSetExposure(ctx_.headDevice[k], kDarkLongExposureUs);
            startTick_ = now;
            lastShownSecond_ = 0;
            state_.store(2, std::memory_order_release);
            LaunchReads(acq::kMsgBlankBegin,
                        acq::kMsgBlankEnd);  // its read at the new exposure is not used
            break;
        case 2:
            ShowElapsed(now, acq::kFmtBlankElapsed);
            break;
        case 3:
            worker_.Join();
            startTick_ = now;
            lastShownSecond_ = 0;
            state_.store(4, std::memory_order_release);
            LaunchReads(acq::kMsgDarkBegin, acq::kMsgDarkEnd);
            break;
        case 4:
            ShowElapsed(now, acq::kFmtDarkElapsed);
            break;
        default:
            break;
    }
    ShowPosted();
    if (State() < 5)
        host_.StartTimer(kTimerDarkStep, kStepMs);
    else
        host_.StartTimer(kTimerDarkEnd, kEndMs);
}

void DarkMeasurement::OnEndTimer() {
    if (!ctx_.darkInProgress || State() < 5) return;
    worker_.Join();
    ShowPosted();
    Cvarnello_mfDoc& doc = ctx_.doc;
    for (int k = 0; k < heads_; ++k) {
        const int n = std::clamp(doc.channelCount[k], 0, MAX_CHANNELS);
        std::copy(current_[k].begin(), current_[k].begin() + n,
                  doc.darkTable[k][kLongStep].begin());
        InterpolateDarkSteps(doc, k);
        ctx_.workspace.DeriveDarkModel(doc, k);
    }
    if (ctx_.dialogs.AskOkCancel(acq::kAskDarkRegister)) {
        host_.ShowMessage(acq::kMsgDarkRegistering, {});
        for (int k = 0; k < heads_; ++k)
            for (int j = 0; j < DARK_STEPS; ++j)
                WriteDarkStep(doc, ctx_.devices, HeadSlot(k), ctx_.headDevice[k], j);
    }
    host_.ShowMessage(acq::kMsgDarkDone, {});
    ctx_.measuring = false;
    ctx_.darkInProgress = false;
    cycle_.RefreshControls();
}

}  // namespace vmf
