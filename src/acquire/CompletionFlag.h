#pragma once
// The "cycle done" event for runs without an event loop (the command line,
// benchmarks, tests): the worker raises it from its own thread when its reads
// are done, and the runner's loop takes it before waiting for its next timer,
// so the results are handed over at once as the panel's queued event does.

#include <atomic>

namespace vmf {

class CompletionFlag {
public:
    void Post() { posted_.store(true, std::memory_order_release); }
    // True once for every Post since the last Take.
    bool Take() { return posted_.exchange(false, std::memory_order_acq_rel); }

private:
    std::atomic<bool> posted_{false};
};

}  // namespace vmf
