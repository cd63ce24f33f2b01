#pragma once
// Measuring without a window, on the same cycle and hand-over the panel runs:
// detection, then logged cycles on the panel's schedule (back to back, each
// cycle started in the previous one's hand-over; or the interval delay with
// its 10 ms floor) until the requested number of records is kept or a stop is
// requested; the history gets its detection, start and end entries. The
// worker runs inline and its completion event is a flag the loop takes before
// any timer; the clock and the sleep are injected so tests run on a fake clock.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "device/DeviceLibrary.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/RecordJournal.h"
#include "store/RecordTime.h"

namespace vmf {

struct AcquisitionContext;

struct HeadlessAcquireOptions {
    int count = 1;                  // records to keep per head, 1..86399
    std::optional<int> exposureUs;  // for every head; otherwise each head's own
    int averageCount = 1;           // >= 1
    int intervalMs = 0;             // above 0: cycles start this far apart
    MeasuringMethod method = MeasuringMethod::LightSource;
    bool sensitivity = false;
};

struct HeadlessAcquireResult {
    bool ok = false;
    std::string error;  // English, one line, when !ok
    int heads = 0;
    int records = 0;  // records kept per head by this run
    uint32_t elapsedMs = 0;
    bool interrupted = false;  // stopped by the stop flag before `count`
};

class HeadlessAcquisition {
public:
    using Clock = std::function<uint32_t()>;
    using Sleep = std::function<void(uint32_t ms)>;
    // records done, records wanted, ms since the start
    using Progress = std::function<void(int done, int total, uint32_t elapsedMs)>;

    HeadlessAcquisition(Cvarnello_mfDoc& doc, DeviceLibrary& lib, Clock clock, Sleep sleep);

    // Journals the run (null: not journalled); the journal must outlive Run.
    // A journal that fails ends the run at the hand-over that sees it.
    void SetJournal(RecordJournal* journal) { journal_ = journal; }
    // Where the records' time stamps come from; tests fix it.
    void SetWallClock(WallClock clock) { wallClock_ = std::move(clock); }
    // Called at the end of every hand-over with the run's panel values (the
    // live view takes its snapshot there); it must not wait.
    void SetHandOverObserver(std::function<void(const AcquisitionContext&)> observer) {
        observer_ = std::move(observer);
    }

    // Refuses options out of range before touching the store or devices.
    // `stop` (may be null) is polled at every hand-over: once set, the cycle
    // in progress completes and is kept, then the run ends.
    HeadlessAcquireResult Run(const HeadlessAcquireOptions& options, const std::atomic<bool>* stop,
                              const Progress& progress);

private:
    Cvarnello_mfDoc& doc_;
    DeviceLibrary& lib_;
    Clock clock_;
    Sleep sleep_;
    RecordJournal* journal_ = nullptr;
    WallClock wallClock_ = SystemRecordTime;
    std::function<void(const AcquisitionContext&)> observer_;
};

}  // namespace vmf
