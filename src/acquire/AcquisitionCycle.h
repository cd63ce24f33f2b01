#pragma once
// The measuring cycle as a state machine on the panel's thread: Start, Stop,
// One-shot and the timer-2 step, given the current tick so it runs the same on
// the real clock and on a fake one. The device reads of each cycle run in a
// CycleWorker (its own thread, or inline for the command line and tests).
//
// Worker state: 0 idle --tick while measuring--> 1 --worker ends--> 2
// --hand-over--> 0. Only the worker moves 1 to 2; a worker is started only
// from 0.
//
// The hand-over runs as soon as the worker is done: the worker wakes the
// panel's thread through the completion notifier (a queued event there), which
// calls OnCycleDone. Back to back, the hand-over starts the next cycle itself,
// so a cycle follows the previous one by the hand-over's own time rather than
// by polling ticks. The 10 ms poll of timer 2 stays while a worker runs: it
// shows the elapsed time and hands over itself should it see state 2 first.
// Redraws are paced by a DrawPacer; every cycle is still saved and counted.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "acquire/AcquisitionContext.h"
#include "acquire/AcquisitionHost.h"
#include "acquire/ControlEnabling.h"
#include "acquire/CycleWorker.h"
#include "acquire/DrawPacer.h"

namespace vmf {

class AcquisitionCycle {
public:
    AcquisitionCycle(AcquisitionContext& ctx, AcquisitionHost& host,
                     WorkerMode mode = WorkerMode::Threaded);
    ~AcquisitionCycle();
    AcquisitionCycle(const AcquisitionCycle&) = delete;
    AcquisitionCycle& operator=(const AcquisitionCycle&) = delete;

    void SetWorkerMode(WorkerMode mode) { worker_.SetMode(mode); }
    // Where the records' time stamps come from; tests fix it.
    void SetWallClock(WallClock clock) { worker_.SetWallClock(std::move(clock)); }
    // How a finished worker wakes the panel's thread: called on the worker's
    // thread, it must only arrange for OnCycleDone to run on the panel's
    // thread (post an event, raise a CompletionFlag). Without one the 10 ms
    // poll finds the results. Set before the first Start.
    void SetCycleDoneNotifier(std::function<void()> notify) {
        worker_.SetDoneNotifier(std::move(notify));
    }

    // Called at the end of every hand-over on the panel's thread (the live
    // view takes its snapshot there); it must not wait.
    void SetHandOverObserver(std::function<void()> observer) {
        handOverObserver_ = std::move(observer);
    }

    // Button 1001: Start while not measuring, Stop while measuring.
    void OnStartStopButton(uint32_t now);
    // Starts measuring. Refused with nothing changed when a worker is still
    // pending, and with a notice when the averaging count is below 1 or the
    // store's heads are not the detected ones (count, serials, slot order).
    bool Start(uint32_t now);
    void Stop();
    // Button 1023.
    void OnOneShot(uint32_t now);
    // Timer 2 (the dispatcher has stopped it already).
    void OnTimer(uint32_t now);
    // The completion event: hands the finished cycle over now. An event that
    // finds no finished cycle (the poll was first) does nothing.
    void OnCycleDone(uint32_t now);

    // The recovery journal reported a failed write or sync (its notifier,
    // brought to the panel's thread): between cycles the measurement stops
    // at once; with a worker running, at its hand-over.
    void OnJournalFailed();

    // The panel's flags as RefreshControls needs them.
    ControlFlags Flags() const;
    // RefreshControls and the mode display on the host.
    void RefreshControls();
    void ModeDisplay();

    int WorkerState() const { return workerState_.load(std::memory_order_acquire); }
    // A worker runs or its results are not yet taken up.
    bool WorkerActive() const { return WorkerState() != 0; }
    // The panel must not process, browse or clear records: measuring, or a
    // stopped cycle whose worker is still pending.
    bool ProcessingBlocked() const { return ctx_.measuring || WorkerActive(); }

    bool keepNext() const { return keepNext_; }
    bool oneShotPending() const { return oneShotPending_; }
    int averageCount() const { return averageCount_; }
    int intervalMs() const { return intervalMs_; }
    uint32_t nextDue() const { return nextDue_; }
    // The averaged counts of head a's last cycle read.
    const ChannelSpectrum& Current(int a) const { return worker_.Current(a); }

private:
    // True when the store's heads are the detected ones (or nobody detected
    // for this store); fills both lists of serials for the notice.
    bool HeadsAreDetected(std::string& store, std::string& detected) const;
    void LaunchWorker();
    // Launches the next cycle and polls it every 10 ms (timer 2).
    void StartCycle(uint32_t now);
    void FinishCycle(uint32_t now);
    // DrawGraph and the info line of the results taken up last.
    void DrawResults();
    CycleJob MakeJob() const;
    // Advances the record counters for the cycle just handed over and
    // journals the records that became counted.
    void CountRecords();
    // True once per run when the journal that was healthy at Start has
    // failed: the caller stops, then raises the alarm.
    bool JournalLost();
    // The history entry, and the question that offers to save.
    void RaiseJournalAlarm();

    AcquisitionContext& ctx_;
    AcquisitionHost& host_;
    CycleWorker worker_;
    std::atomic<int> workerState_{0};
    int averageCount_ = 1;
    int intervalMs_ = 0;
    uint32_t nextDue_ = 0;
    bool keepNext_ = false;
    bool oneShotPending_ = false;
    // A Stop came while a worker still ran: the journal's checkpoint waits
    // for its hand-over.
    bool checkpointAtHandOver_ = false;
    // The journal took this run's records (a failure then stops the run),
    // and whether that failure has been acted on.
    bool journalledRun_ = false;
    bool journalAlarmRaised_ = false;
    std::string journalError_;  // why the journal could not be begun
    uint32_t startTick_ = 0;
    int lastShownSecond_ = 0;
    std::array<int32_t, MAX_HEADS> startExposure_{};
    DrawPacer pacer_;
    std::function<void()> handOverObserver_;
};

}  // namespace vmf
