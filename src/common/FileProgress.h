#pragma once
// What a long file operation shares with whoever watches it: how many bytes
// are done out of how many, and a request to stop. The worker writes done and
// total and reads cancel; the watcher (a progress dialog, a terminal line)
// does the opposite. Plain atomics, so neither side ever waits on the other.

#include <atomic>
#include <cstdint>

namespace vmf {

struct FileProgress {
    std::atomic<uint64_t> done{0};    // bytes read or written so far
    std::atomic<uint64_t> total{0};   // bytes the whole operation moves; 0 while unknown
    std::atomic<bool> cancel{false};  // set by the watcher; the worker stops at its next check

    void Reset() {
        done.store(0);
        total.store(0);
        cancel.store(false);
    }
    bool Cancelled() const { return cancel.load(std::memory_order_relaxed); }
    void Add(uint64_t bytes) { done.fetch_add(bytes, std::memory_order_relaxed); }
};

// Whole percent of done over total, 0..100; 99 at most until done reaches
// total, since a save still syncs and renames after its last byte.
inline int ProgressPercent(uint64_t done, uint64_t total) {
    if (total == 0) return 0;
    if (done >= total) return 100;
    // Files stay far below 2^57 bytes, so done * 100 cannot overflow.
    const uint64_t p = done * 100 / total;
    return static_cast<int>(p > 99 ? 99 : p);
}

}  // namespace vmf
