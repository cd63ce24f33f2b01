#include "acquire/WorkerThread.h"

#include <utility>

namespace vmf {

bool WorkerThread::Launch(std::function<void()> body) {
    if (launched_) {
        if (!done_.load(std::memory_order_acquire)) return false;
        Join();
    }
    launched_ = true;
    done_.store(false, std::memory_order_relaxed);
    if (mode_ == WorkerMode::Inline) {
        body();
        done_.store(true, std::memory_order_release);
        return true;
    }
    thread_ = std::thread([this, body = std::move(body)] {
        body();
        done_.store(true, std::memory_order_release);
    });
    return true;
}

void WorkerThread::Join() {
    if (thread_.joinable()) thread_.join();
    launched_ = false;
}

}  // namespace vmf
