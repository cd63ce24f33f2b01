#pragma once
// The acquisition worker of one measuring cycle: for every head one averaged
// spectrum, the temperature and the exposure into the head's working slot,
// corrected and resampled.
//
// Hand-over instead of sharing: the worker corrects into its own
// SpectrumWorkspace (the panel's dark model is copied in at Start), reads only
// the job's snapshot of slots, exposures and options, and writes nothing the
// panel reads until the panel has seen the worker state move to 2 and called
// HandOver, which copies the grid rows into the panel's workspace. The
// store's working slots and dark step 20 are written by the worker alone
// while it runs.

#include <array>
#include <atomic>
#include <functional>
#include <utility>

#include "acquire/ReadAveragedSpectrum.h"
#include "acquire/WorkerThread.h"
#include "device/DeviceLibrary.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/RecordTime.h"

namespace vmf {

// Everything the worker reads that the panel could change meanwhile, taken
// when the cycle is started.
struct CycleJob {
    int headCount = 0;
    std::array<DeviceNumber, MAX_HEADS> device;
    std::array<int, MAX_HEADS> slot{};  // working slot r = recordCount[a]
    // The exposure each head was set to at Start: a head's exposure edited
    // during a run reaches the device only at the next Start, so records keep
    // the exposure the device actually used.
    std::array<int32_t, MAX_HEADS> exposureUs{};
    int averageCount = 1;
    ProcessingOptions processing;
};

class CycleWorker {
public:
    explicit CycleWorker(WorkerMode mode = WorkerMode::Threaded) : thread_(mode) {}

    void SetMode(WorkerMode mode) { thread_.SetMode(mode); }
    // Where the records' time stamps come from (the system clock unless a
    // test fixes it). Not while running.
    void SetWallClock(WallClock clock) { wallClock_ = std::move(clock); }
    WorkerMode mode() const { return thread_.mode(); }

    // Takes the panel's dark model (base and slope of every head) and its
    // ratio rows as the worker's starting point. Not while running.
    void LoadDarkModel(const SpectrumWorkspace& panel);

    // Called on the worker's thread right after a cycle's state moved to 2,
    // to wake the panel's thread (it must do no more than post an event).
    // Set before the first Launch.
    void SetDoneNotifier(std::function<void()> notify) { notify_ = std::move(notify); }

    // Starts the cycle. `state` must be 1; the worker moves it to 2 when done.
    // *busy (when given) is 1 from before the start until the heads are done.
    // Refused (false, nothing changed) while a previous worker is not joined.
    bool Launch(Cvarnello_mfDoc& doc, DeviceLibrary& lib, const CycleJob& job,
                std::atomic<int>& state, std::atomic<int>* busy);

    // After the state reached 2: copies displaySpectrum,
    // ratioSpectrum and (unless the method is light source) displayRatio of
    // every head it processed into `panel`.
    void HandOver(SpectrumWorkspace& panel);

    void Join() { thread_.Join(); }
    bool Running() const { return thread_.Running(); }
    // The averaged counts of the last read of head a (valid after HandOver).
    const ChannelSpectrum& Current(int a) const { return current_[a]; }

    // The body of one cycle on the calling thread (what Launch runs).
    void RunCycle(Cvarnello_mfDoc& doc, DeviceLibrary& lib, const CycleJob& job);

private:
    WorkerThread thread_;
    SpectrumWorkspace ws_;
    std::array<ChannelSpectrum, MAX_HEADS> current_{};
    std::array<bool, MAX_HEADS> processed_{};
    CycleJob job_;
    WallClock wallClock_ = SystemRecordTime;
    std::function<void()> notify_;
    std::atomic<bool> reading_{false};  // from Launch until the cycle's reads are done
};

}  // namespace vmf
