#include "acquire/AcquisitionCycle.h"

#include <algorithm>

#include "acquire/AcquisitionTexts.h"
#include "common/NumberParse.h"
#include "store/HistoryEntries.h"
#include "store/TextFormat.h"

namespace vmf {

namespace {

constexpr int kPollMs = 10;  // worker polling and the floor of every delay
constexpr int kAverageEdit = 1012;
constexpr int kIntervalEdit = 1017;
constexpr int kExposureEdit = 1005;
constexpr int kStartButton = 1001;
constexpr int kOneShotButton = 1023;

int Heads(const Cvarnello_mfDoc& doc) { return std::clamp(doc.headCount, 0, MAX_HEADS); }

}  // namespace

AcquisitionCycle::AcquisitionCycle(AcquisitionContext& ctx, AcquisitionHost& host, WorkerMode mode)
    : ctx_(ctx), host_(host), worker_(mode) {}

AcquisitionCycle::~AcquisitionCycle() {
    // The worker refers to workerState_ and the store; it must be gone first.
    worker_.Join();
}

ControlFlags AcquisitionCycle::Flags() const {
    ControlFlags f;
    f.detected = ctx_.detected;
    f.measuring = ctx_.measuring;
    f.method = ctx_.method;
    f.loggingOn = ctx_.options.loggingOn != 0;
    f.darkInProgress = ctx_.darkInProgress;
    f.workerPending = !ctx_.measuring && WorkerActive();
    return f;
}

void AcquisitionCycle::RefreshControls() {
    const auto table = RefreshControlsTable(Flags());
    host_.ApplyControls(table.data(), static_cast<int>(table.size()));
}

void AcquisitionCycle::ModeDisplay() { host_.ApplyModeDisplay(ModeDisplayFor(Flags())); }

void AcquisitionCycle::OnStartStopButton(uint32_t now) {
    if (ctx_.measuring)
        Stop();
    else
        Start(now);
}

bool AcquisitionCycle::Start(uint32_t now) {
    if (ctx_.measuring || WorkerActive()) return false;
    // Checked before anything changes: an average of no reads has no value.
    const int average = ParseIntPrefix(host_.EditText(kAverageEdit));
    if (average < 1) {
        ctx_.dialogs.Notify(acq::kNoticeAverageTooSmall);
        return false;
    }

    ctx_.measuring = true;
    host_.SetStartCaption(acq::kCaptionStop);
    host_.ShowMessage(acq::kMsgPressStop, {});

    Cvarnello_mfDoc& doc = ctx_.doc;
    const int count0 = doc.recordCount[0];
    if (ctx_.displayedRecord < count0) ctx_.displayedRecord = std::max(count0 - 1, 0);

    const int heads = Heads(doc);
    if (ctx_.selectedHead >= 0 && ctx_.selectedHead < heads)
        doc.exposureUs[ctx_.selectedHead] = ParseIntPrefix(host_.EditText(kExposureEdit));
    for (int a = 0; a < heads; ++a) {
        ctx_.devices.DevSetExposure(ctx_.headDevice[a], static_cast<double>(doc.exposureUs[a]));
        startExposure_[a] = doc.exposureUs[a];
    }

    averageCount_ = average;
    ctx_.options.averageCount = average;
    nextDue_ = now + kPollMs;
    intervalMs_ = ParseIntPrefix(host_.EditText(kIntervalEdit));
    ctx_.options.intervalMs = intervalMs_;
    workerState_.store(0, std::memory_order_release);
    pacer_.Reset();
    worker_.LoadDarkModel(ctx_.workspace);

    host_.StartTimer(kTimerCycle, kPollMs);

    doc.SetModifiedFlag();
    doc.AppendHistory(StartEntryText(doc, ctx_.displayedRecord, ctx_.options.sensitivityOn));
    if (ctx_.journal) {
        // A journal that cannot be created does not stop the measurement;
        // the records are then only as safe as they were without one.
        std::string ignored;
        ctx_.journal->Begin(doc, ignored);
    }
    RefreshControls();

    ModeDisplay();
    host_.ShowPosition();
    return true;
}

void AcquisitionCycle::Stop() {
    if (!ctx_.measuring || ctx_.darkInProgress) return;
    // Results whose redraw was held back are the run's last when no worker is
    // left to hand over another cycle: they are shown before the run ends.
    if (pacer_.Pending() && WorkerState() == 0) {
        DrawResults();
        pacer_.Reset();
    }
    ctx_.measuring = false;
    host_.SetStartCaption(acq::kCaptionStart);
    host_.ShowMessage(acq::kMsgPressStart, {});

    ctx_.doc.AppendHistory(EndEntryText(ctx_.displayedRecord));
    // The checkpoint copies the whole setup, the working dark row included,
    // which a worker still running writes: then it is taken at the hand-over.
    if (ctx_.journal) {
        if (WorkerState() == 0)
            ctx_.journal->Checkpoint(ctx_.doc);
        else
            checkpointAtHandOver_ = true;
    }

    host_.EnableControl(kStartButton, false);
    host_.EnableControl(kOneShotButton, false);
    if (ctx_.options.intervalOn == 1 && WorkerState() == 0) RefreshControls();

    ModeDisplay();
    host_.ShowPosition();
}

void AcquisitionCycle::OnOneShot(uint32_t now) {
    if (ctx_.darkInProgress) return;
    if (ctx_.measuring) {
        keepNext_ = true;
        return;
    }
    if (WorkerActive()) return;  // the stopped cycle's results are not in yet
    const bool keepBefore = keepNext_;
    oneShotPending_ = true;
    keepNext_ = true;
    if (!Start(now)) {
        oneShotPending_ = false;
        keepNext_ = keepBefore;
        return;
    }
    host_.EnableControl(kOneShotButton, false);
    host_.EnableControl(kStartButton, false);
}

CycleJob AcquisitionCycle::MakeJob() const {
    CycleJob job;
    const Cvarnello_mfDoc& doc = ctx_.doc;
    job.headCount = Heads(doc);
    for (int a = 0; a < job.headCount; ++a) {
        job.device[a] = ctx_.headDevice[a];
        job.slot[a] = doc.recordCount[a];
        job.exposureUs[a] = startExposure_[a];
    }
    job.averageCount = averageCount_;
    job.processing = ctx_.Processing();
    return job;
}

void AcquisitionCycle::LaunchWorker() {
    workerState_.store(1, std::memory_order_release);
    if (!worker_.Launch(ctx_.doc, ctx_.devices, MakeJob(), workerState_, ctx_.busy))
        workerState_.store(0, std::memory_order_release);
}

void AcquisitionCycle::CountRecords() {
    Cvarnello_mfDoc& doc = ctx_.doc;
    const int heads = Heads(doc);
    std::array<int, MAX_HEADS> slots;
    slots.fill(-1);
    for (int a = 0; a < heads; ++a) slots[a] = doc.recordCount[a];
    doc.AdvanceRecords();
    if (!ctx_.journal) return;
    // At the counters' limit the working slot is rewritten, not counted, and
    // so not journalled either.
    bool counted = false;
    for (int a = 0; a < heads; ++a) {
        if (doc.recordCount[a] == slots[a]) slots[a] = -1;
        counted = counted || slots[a] >= 0;
    }
    if (!counted) return;
    if (ctx_.journal->IsOpen()) {
        ctx_.journal->AppendRecords(doc, slots, heads);
    } else {
        // Saved while measuring: the journal ended with the save, and the
        // records from here on need one again, which starts with the store
        // as it is (these records included).
        std::string ignored;
        ctx_.journal->Begin(doc, ignored);
    }
}

void AcquisitionCycle::OnTimer(uint32_t now) {
    switch (WorkerState()) {
        case 0:
            // Held-back results (an interval shorter than the redraw gap) are
            // drawn here, between cycles, while no worker writes.
            if (pacer_.Pending() && pacer_.Due(now)) {
                DrawResults();
                pacer_.Drawn(now);
            }
            if (ctx_.measuring) {
                StartCycle(now);
            } else {
                RefreshControls();
                startTick_ = now;
                lastShownSecond_ = 0;
            }
            break;
        case 1: {
            const int seconds = static_cast<int>((now - startTick_) / 1000u);
            // After Stop the guidance to press Start stays; the cycle still
            // finishing is not a measurement the operator waits for.
            if (ctx_.measuring && seconds != lastShownSecond_) {
                lastShownSecond_ = seconds;
                host_.ShowMessage(CFormat(acq::kFmtMeasuringElapsed, seconds), {});
            }
            host_.StartTimer(kTimerCycle, kPollMs);
            break;
        }
        default:
            FinishCycle(now);
            break;
    }
}

void AcquisitionCycle::StartCycle(uint32_t now) {
    LaunchWorker();
    host_.StartTimer(kTimerCycle, kPollMs);
    startTick_ = now;
    lastShownSecond_ = 0;
}

void AcquisitionCycle::OnCycleDone(uint32_t now) {
    if (WorkerState() >= 2) FinishCycle(now);
}

void AcquisitionCycle::DrawResults() {
    host_.DrawGraph();
    if (ctx_.selectedHead >= 0)
        host_.UpdateInfoBar(ctx_.selectedHead);
    else
        host_.ShowInfo({});
}

void AcquisitionCycle::FinishCycle(uint32_t now) {
    Cvarnello_mfDoc& doc = ctx_.doc;
    worker_.HandOver(ctx_.workspace);
    workerState_.store(0, std::memory_order_release);

    if (ctx_.options.autoSaveOn) host_.AutoSaveCsv();

    // A slot whose spectra could not be allocated is not counted: every
    // completed record must hold both spectra.
    bool complete = true;
    for (int a = 0; a < Heads(doc); ++a) {
        const int r = doc.recordCount[a];
        if (!doc.recRaw(a, r) || !doc.recProcessed(a, r)) complete = false;
    }
    if (ctx_.options.loggingOn == 1) {
        if (complete) CountRecords();
        host_.ShowRecordCount();
        ctx_.displayedRecord = std::max(doc.recordCount[0] - 1, 0);
    } else if (keepNext_) {
        keepNext_ = false;
        if (complete) CountRecords();
        host_.ShowRecordCount();
    }
    // The position field names the record shown, also when this hand-over
    // comes after a Stop.
    host_.ShowPosition();
    if (checkpointAtHandOver_ && !ctx_.measuring) {
        checkpointAtHandOver_ = false;
        if (ctx_.journal) ctx_.journal->Checkpoint(doc);
    }

    // The last cycle of a run is always drawn; faster than the eye, only
    // the newest results are.
    if (pacer_.OnResults(now, oneShotPending_ || !ctx_.measuring)) {
        DrawResults();
        pacer_.Drawn(now);
    }
    host_.CycleHandedOver();

    if (oneShotPending_) {
        oneShotPending_ = false;
        Stop();
        RefreshControls();
    } else if (ctx_.options.intervalOn == 1) {
        nextDue_ += static_cast<uint32_t>(intervalMs_);
        int delay = static_cast<int>(static_cast<int32_t>(nextDue_ - now));
        if (delay < kPollMs) delay = kPollMs;
        if (ctx_.measuring)
            host_.StartTimer(kTimerCycle, delay);
        else
            RefreshControls();
    } else {
        // Back to back: the next cycle starts in this hand-over.
        if (ctx_.measuring)
            StartCycle(now);
        else
            RefreshControls();
    }
}

}  // namespace vmf
