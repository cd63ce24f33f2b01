#pragma once
// Who may read the record spectra while another thread writes them. The
// store belongs to the panel's thread, but readers on other threads (the
// trend window's workers) go through the counted records: they take a short
// shared hold around a block of records, and whoever replaces, frees or
// rewrites a counted record's spectrum takes an exclusive hold.
//
// A waiting writer keeps new readers out, so two busy readers can never hold
// the panel's thread off for longer than one block each. Freeing or replacing
// the records (a clear, an adopted load) also moves the generation on: a
// reader that finds it moved knows the records it was given are gone and
// stops. The names follow the standard's lockable requirements, so
// std::shared_lock and std::unique_lock hold it.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vmf {

class RecordGate {
public:
    // Exclusive hold: waits for the readers inside to leave.
    void lock();
    void unlock();
    // Shared hold: waits while a writer holds or waits.
    void lock_shared();
    void unlock_shared();

    // Changes whenever the counted records are freed or replaced; moved on
    // only under the exclusive hold, so a reader holding the gate sees a
    // value that stays until it lets go.
    uint64_t Generation() const { return generation_.load(std::memory_order_acquire); }
    void NextGeneration() { generation_.fetch_add(1, std::memory_order_acq_rel); }

    // True while a writer waits for readers to leave (tests, diagnostics).
    bool WriterWaiting();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int readers_ = 0;
    int writersWaiting_ = 0;
    bool writer_ = false;
    std::atomic<uint64_t> generation_{0};
};

}  // namespace vmf
