#pragma once
// When the progress dialog of file work appears: only for work that is
// expected to take more than about half a second, judged from the rate so
// far, so a file read in 50 ms never flashes a dialog, and a long one shows
// it early. A pure function of the elapsed time and the bytes, stepped by the
// caller's timer.

#include <cstdint>

namespace vmf {

struct ProgressPacing {
    int64_t judgeAfterMs = 150;  // before this the rate says too little
    int64_t expectedMs = 500;    // work expected to take longer gets the dialog
    int64_t remainingMs = 200;   // ...unless it is about to end anyway
    int64_t lateMs = 700;        // still running by then: shown whatever the rate

    // True when the dialog should appear now, elapsedMs after the start with
    // done of total bytes moved (total 0: size unknown, then only the time
    // counts).
    bool DialogDue(int64_t elapsedMs, uint64_t done, uint64_t total) const {
        if (elapsedMs < judgeAfterMs) return false;
        // A save whose bytes are all written may still be syncing them.
        if (elapsedMs >= lateMs) return true;
        if (total == 0 || done == 0 || done >= total) return false;
        const double expected =
            static_cast<double>(elapsedMs) * static_cast<double>(total) / static_cast<double>(done);
        const double remaining = expected - static_cast<double>(elapsedMs);
        return expected > static_cast<double>(expectedMs) &&
               remaining > static_cast<double>(remainingMs);
    }
};

}  // namespace vmf
