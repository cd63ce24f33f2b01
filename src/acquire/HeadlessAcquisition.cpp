#include "acquire/HeadlessAcquisition.h"

#include <ctime>
#include <string>
#include <vector>

#include "acquire/AcquisitionContext.h"
#include "acquire/AcquisitionCycle.h"
#include "acquire/CompletionFlag.h"
#include "acquire/ScheduleHost.h"
#include "acquire/TimerSchedule.h"
#include "common/FixedAnswerDialogs.h"
#include "common/PanelOptions.h"
#include "device/Detection.h"

namespace vmf {

HeadlessAcquisition::HeadlessAcquisition(Cvarnello_mfDoc& doc, DeviceLibrary& lib, Clock clock,
                                         Sleep sleep)
    : doc_(doc), lib_(lib), clock_(std::move(clock)), sleep_(std::move(sleep)) {}

HeadlessAcquireResult HeadlessAcquisition::Run(const HeadlessAcquireOptions& opt,
                                               const std::atomic<bool>* stop,
                                               const Progress& progress) {
    HeadlessAcquireResult result;
    if (opt.count < 1 || opt.count > LAST_RECORD) {
        result.error = "--count must be between 1 and " + std::to_string(LAST_RECORD);
        return result;
    }
    if (opt.averageCount < 1) {
        result.error = "--average must be at least 1";
        return result;
    }
    if (opt.exposureUs && *opt.exposureUs < 1) {
        result.error = "--exposure must be at least 1 microsecond";
        return result;
    }

    // No one to ask: detection asks only when records would be cleared, and a
    // headless run starts on a fresh store.
    FixedAnswerDialogs dialogs(true);
    PanelOptions options;
    SpectrumWorkspace workspace;
    std::array<DeviceNumber, MAX_HEADS> headDevice;
    int selectedHead = 0;
    int displayedRecord = 0;
    MeasuringMethod method = opt.method;
    bool detected = false, measuring = false, darkInProgress = false, selectedOnly = false;
    std::atomic<int> busy{0};
    AcquisitionContext ctx{doc_,       lib_,           dialogs,         options, workspace,
                           headDevice, selectedHead,   displayedRecord, method,  detected,
                           measuring,  darkInProgress, selectedOnly,    &busy,   journal_};

    const DetectionOutcome found = Detect(
        doc_, lib_, dialogs, [&](int slot) { workspace.DeriveDarkModel(doc_, slot); },
        std::time(nullptr));
    if (!found.headsFound) {
        result.error = "no spectrometer head found";
        return result;
    }
    headDevice = found.headDevice;
    detected = true;
    displayedRecord = 0;
    result.heads = doc_.headCount;
    if (opt.exposureUs)
        for (int a = 0; a < doc_.headCount; ++a) doc_.exposureUs[a] = *opt.exposureUs;

    options.loggingOn = 1;
    options.intervalOn = opt.intervalMs > 0 ? 1 : 0;
    options.intervalMs = opt.intervalMs;
    options.averageCount = opt.averageCount;
    options.sensitivityOn = opt.sensitivity ? 1 : 0;
    options.autoSaveOn = 0;

    TimerSchedule timers(clock_);
    ScheduleHost host(timers, doc_, options, selectedHead);
    AcquisitionCycle cycle(ctx, host, WorkerMode::Inline);
    cycle.SetWallClock(wallClock_);
    // The panel's queued completion event, as a flag this loop takes first.
    CompletionFlag cycleDone;
    cycle.SetCycleDoneNotifier([&] { cycleDone.Post(); });
    TimerDispatch dispatch([&](int id) { timers.Stop(id); });
    dispatch.Set(kTimerCycle, [&](uint32_t now) { cycle.OnTimer(now); });

    const uint32_t started = clock_();
    const int first = doc_.recordCount[0];
    int done = 0;
    bool stopSeen = false;
    // At the end of every hand-over, before the next cycle is begun: stopped
    // only between cycles, so the cycle a stop request arrives in is kept,
    // no cycle beyond the count is read, and the end entry names the last.
    host.onHandedOver = [&] {
        if (observer_) observer_(ctx);
        const int nowDone = doc_.recordCount[0] - first;
        if (nowDone != done) {
            done = nowDone;
            if (progress) progress(done, opt.count, clock_() - started);
        }
        const bool stopAsked = stop && stop->load();
        // The last slot is rewritten, never counted: stop there rather than
        // wait for records that cannot come.
        const bool full = doc_.recordCount[0] >= LAST_RECORD;
        stopSeen = stopSeen || stopAsked;
        if (measuring && (done >= opt.count || stopAsked || full)) cycle.Stop();
    };
    if (!cycle.Start(started)) {
        result.error =
            dialogs.notices.empty() ? "measuring could not be started" : dialogs.notices.back();
        return result;
    }
    while (measuring || cycle.WorkerActive()) {
        if (cycleDone.Take()) {
            cycle.OnCycleDone(clock_());
            continue;
        }
        const auto next = timers.Next();
        if (!next) break;
        const auto wait = static_cast<int32_t>(next->second - clock_());
        if (wait > 0) sleep_(static_cast<uint32_t>(wait));
        dispatch.Fire(next->first, clock_());
    }
    result.records = doc_.recordCount[0] - first;
    result.elapsedMs = clock_() - started;
    result.interrupted = stopSeen && result.records < opt.count;
    result.ok = true;
    return result;
}

}  // namespace vmf
