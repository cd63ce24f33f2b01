#pragma once
// One worker at a time that talks to the heads: run on its own thread for the
// panel, or inline on the caller's thread for the command line and tests, by
// the same code. The caller hands over its results only after Finished() has
// been seen and Join() has run, so nothing the worker wrote is read while it
// writes.

#include <atomic>
#include <functional>
#include <thread>

namespace vmf {

enum class WorkerMode { Threaded, Inline };

class WorkerThread {
public:
    explicit WorkerThread(WorkerMode mode = WorkerMode::Threaded) : mode_(mode) {}
    ~WorkerThread() { Join(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    WorkerMode mode() const { return mode_; }
    void SetMode(WorkerMode mode) { mode_ = mode; }

    // Runs `body` (on a new thread, or now). Refused (false) while a previous
    // body has not been joined.
    bool Launch(std::function<void()> body);
    // True from Launch until the body has returned.
    bool Running() const { return launched_ && !done_.load(std::memory_order_acquire); }
    // Waits for the body (if any) to return. Safe to call repeatedly.
    void Join();
    // True while a body was launched and not yet joined.
    bool Launched() const { return launched_; }

private:
    WorkerMode mode_;
    std::thread thread_;
    std::atomic<bool> done_{true};
    bool launched_ = false;  // caller's thread only
};

}  // namespace vmf
