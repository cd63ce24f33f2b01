#pragma once
// The 21-step dark table measurement of the maintenance dialog, stepped by
// the dialog's 100 ms timer. Each step takes three ticks: a settle read that
// is thrown away, a read pair averaged into the step, and the advance that
// shows the table and sets the next step's exposure. Step 0 is measured at
// 265 µs, step k at k x 50000 µs.
//
// Reads leave the store's record slots alone (ReadAveragedCurrent), and
// exposureUs of the head is not changed: the next acquisition sets it again.

#include "acquire/ReadAveragedSpectrum.h"
#include "device/DeviceLibrary.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

inline constexpr float DARK_START_VALUE = 2048.0f;
inline constexpr double DARK_STEP0_EXPOSURE_US = 265.0;
inline constexpr double DARK_STEP_EXPOSURE_US = 50000.0;
inline constexpr int DARK_SETTLE_READS = 1;
inline constexpr int DARK_MEASURE_READS = 2;
inline constexpr int DARK_TIMER_MS = 100;

class DarkTableProcedure {
public:
    DarkTableProcedure(Cvarnello_mfDoc& doc, DeviceLibrary& lib) : doc_(doc), lib_(lib) {}

    // What the tick did, so the dialog knows what to show and whether to
    // start its timer again.
    enum class Tick {
        Idle,      // not running: nothing done, no restart
        Read,      // settle or measure read done: restart the timer
        Advanced,  // a step was stored: show the table, restart the timer
        Finished,  // the last step was stored: show the table and the message, no restart
    };

    // (Re)starts from step 0: the whole dark table of head slot `head`
    // becomes 2048.0 and device `dev` gets the step-0 exposure. The caller
    // then starts its timer. A head outside 0..9 does nothing.
    void Start(int head, DeviceNumber dev);
    // One timer tick (the caller has stopped the timer).
    Tick OnTick();
    // Stops where it is: steps not yet measured keep 2048.0.
    void Stop() { running_ = false; }

    bool Running() const { return running_; }
    int Head() const { return head_; }
    int Step() const { return step_; }
    int Phase() const { return phase_; }

private:
    Cvarnello_mfDoc& doc_;
    DeviceLibrary& lib_;
    ChannelSpectrum current_{};
    int head_ = 0;
    DeviceNumber dev_{};
    int step_ = 0;
    int phase_ = 0;
    bool running_ = false;
};

}  // namespace vmf
