#include "store/RecordGate.h"

namespace vmf {

void RecordGate::lock() {
    std::unique_lock<std::mutex> hold(mutex_);
    ++writersWaiting_;
    changed_.wait(hold, [this] { return !writer_ && readers_ == 0; });
    --writersWaiting_;
    writer_ = true;
}

void RecordGate::unlock() {
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        writer_ = false;
    }
    changed_.notify_all();
}

void RecordGate::lock_shared() {
    std::unique_lock<std::mutex> hold(mutex_);
    changed_.wait(hold, [this] { return !writer_ && writersWaiting_ == 0; });
    ++readers_;
}

void RecordGate::unlock_shared() {
    bool last = false;
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        last = --readers_ == 0;
    }
    // Only a writer waits for the readers to leave.
    if (last) changed_.notify_all();
}

bool RecordGate::WriterWaiting() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return writersWaiting_ > 0;
}

}  // namespace vmf
