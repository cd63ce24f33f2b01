#pragma once
// The panel's dark measurement (button 1053): with the heads shaded, a short
// dark for step 0, a 950000 µs dark for step 19 and the other steps on the
// straight line through them; then the offer to store the table in the heads.
// Driven by timers 4 (10 ms steps) and 5 (the end, 1000 ms later); the two
// long reads run in a blank worker and a dark worker, one after the other.
//
// Dark state: 0 --tick--> 1 --tick, blank worker started--> 2 --blank worker
// ends--> 3 --tick, dark worker started--> 4 --dark worker ends--> 5
// --timer 5--> over. The workers post their message lines; the panel's thread
// shows them at its next step.

#include <array>
#include <atomic>
#include <cstdint>

#include "acquire/AcquisitionContext.h"
#include "acquire/AcquisitionCycle.h"
#include "acquire/AcquisitionHost.h"
#include "acquire/MessageMailbox.h"
#include "acquire/ReadAveragedSpectrum.h"
#include "acquire/WorkerThread.h"

namespace vmf {

inline constexpr double kDarkShortExposureUs = 265.0;
inline constexpr double kDarkLongExposureUs = 950000.0;

class DarkMeasurement {
public:
    DarkMeasurement(AcquisitionContext& ctx, AcquisitionHost& host, AcquisitionCycle& cycle,
                    WorkerMode mode = WorkerMode::Threaded);
    ~DarkMeasurement();
    DarkMeasurement(const DarkMeasurement&) = delete;
    DarkMeasurement& operator=(const DarkMeasurement&) = delete;

    void SetWorkerMode(WorkerMode mode) { worker_.SetMode(mode); }

    // Button 1053: the warning when records exist, the shading question,
    // then the short exposure and timer 4.
    void OnButton();
    // Timer 4 and timer 5 (already stopped by the dispatcher).
    void OnStepTimer(uint32_t now);
    void OnEndTimer();

    int State() const { return state_.load(std::memory_order_acquire); }
    // A blank or dark worker runs (the main frame's busy flag is set then).
    bool WorkerRunning() const { return worker_.Running(); }
    const ChannelSpectrum& Current(int a) const { return current_[a]; }

private:
    void ShowPosted();
    void LaunchReads(const char* begin, const char* end);
    void ShowElapsed(uint32_t now, const char* format);
    int Heads() const;

    AcquisitionContext& ctx_;
    AcquisitionHost& host_;
    AcquisitionCycle& cycle_;
    WorkerThread worker_;
    MessageMailbox mailbox_;
    std::atomic<int> state_{0};
    std::array<ChannelSpectrum, MAX_HEADS> current_{};
    std::array<int, MAX_HEADS> slot_{};  // each head's working slot, taken at the start
    int heads_ = 0;
    uint32_t startTick_ = 0;
    int lastShownSecond_ = 0;
};

// Fills dark steps 1..20 of head a from steps 0 and 19 on the straight line
// through them (j / 19 of the way; step 20 extrapolates to 1000000 µs).
void InterpolateDarkSteps(Cvarnello_mfDoc& doc, int a);

}  // namespace vmf
