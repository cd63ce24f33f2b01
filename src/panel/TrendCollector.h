#pragma once
// The points of the trend window for every head of the store: a full
// computation on two worker threads, and, once done, one more point per
// head for every record the store counted since, as a logging run adds them.
//
// Start, Poll, Finish, Sync and Cancel run on the thread that owns the
// store; the workers read only the records counted at Start (whose
// wavelengths and counts were copied then), a block of records at a time
// under a shared hold of the store's record gate. A clear or an adopted load
// moves the gate's generation on: the workers stop at once and the next Poll
// starts over. Between calls the store may change in any way: Sync notices a
// store whose records were cleared, replaced or loaded (the gate's
// generation moved, a counter went back, heads changed) and starts over. Nothing of a run is
// visible (Points stays empty) until Poll takes it whole.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "spectrum/RecordTrend.h"
#include "store/StoreBounds.h"

namespace vmf {

class TrendCollector {
public:
    enum class SyncResult { Unchanged, Appended, Restarted };

    TrendCollector();
    // Stops and joins the workers: none outlives the collector.
    ~TrendCollector();
    TrendCollector(const TrendCollector&) = delete;
    TrendCollector& operator=(const TrendCollector&) = delete;

    // Starts the full computation over every counted record of every head
    // (stopping a computation still running first).
    void Start(const Cvarnello_mfDoc& doc, const TrendOptions& options);
    // True once everything is done: the first time, takes the workers'
    // points and appends the records counted meanwhile. A run whose records
    // went away meanwhile starts over (false).
    bool Poll(const Cvarnello_mfDoc& doc);
    // Waits for the computation (and any restart) to end, then Poll.
    void Finish(const Cvarnello_mfDoc& doc);
    // Stops and joins the workers, leaving no points.
    void Cancel();
    bool Running() const { return running_; }
    // Done records over all records of the computation, 0..1.
    double Progress() const;

    // After a logging cycle (or anything that may have changed the store):
    // appends the newly counted records when the store is the one computed,
    // otherwise starts over. While a computation runs, only a changed store
    // restarts it; Poll takes the new records up when it ends.
    SyncResult Sync(const Cvarnello_mfDoc& doc);

    int HeadCount() const { return heads_; }
    const std::vector<TrendPoint>& Points(int a) const { return points_[static_cast<size_t>(a)]; }
    bool HasTimes() const { return hasTimes_; }
    const TrendOptions& Options() const { return options_; }

private:
    struct Identity {
        uint64_t generation = 0;  // of the store's record gate
        int heads = 0;
        std::array<const float*, MAX_HEADS> first{};
        std::array<int, MAX_HEADS> count{};
    };
    // What the workers share; written by them only in their own blocks'
    // points and in the atomics.
    struct Run;
    static constexpr int kWorkers = 2;

    static Identity IdentityOf(const Cvarnello_mfDoc& doc);
    bool SameStore(const Identity& now) const;
    static void Work(Run& run);
    void Join();

    TrendOptions options_;
    Identity identity_;
    int heads_ = 0;
    std::array<std::vector<TrendPoint>, MAX_HEADS> points_;
    std::array<std::unique_ptr<HeadTrend>, MAX_HEADS> trend_;
    std::unique_ptr<Run> run_;
    std::array<std::thread, kWorkers> workers_;
    bool running_ = false;
    bool hasTimes_ = false;
};

}  // namespace vmf
