#pragma once
// The points of the trend window for every head of the store: a full
// computation done in steps (so the window's thread stays free between
// them), and, once done, one more point per head for every record the store
// counted since, as a logging run adds them.
//
// The store is only read, and only inside Start, Step and Sync, which the
// window calls on the thread that owns the store. Between calls the store
// may change in any way: Sync notices a store whose records were cleared,
// replaced or loaded (record 0 moved, a counter went back, heads changed)
// and starts over.

#include <array>
#include <memory>
#include <vector>

#include "spectrum/RecordTrend.h"
#include "store/StoreBounds.h"

namespace vmf {

class TrendCollector {
public:
    enum class SyncResult { Unchanged, Appended, Restarted };

    // Starts the full computation over every counted record of every head.
    void Start(const Cvarnello_mfDoc& doc, const TrendOptions& options);
    // Computes up to maxRecords more records; true once everything is done.
    bool Step(const Cvarnello_mfDoc& doc, int maxRecords);
    bool Running() const { return running_; }
    // Done records over all records of the computation, 0..1.
    double Progress() const;

    // After a logging cycle (or anything that may have changed the store):
    // appends the newly counted records when the store is the one computed,
    // otherwise starts over. While a computation runs, only a changed store
    // restarts it; its Step takes the new records up.
    SyncResult Sync(const Cvarnello_mfDoc& doc);

    int HeadCount() const { return heads_; }
    const std::vector<TrendPoint>& Points(int a) const { return points_[static_cast<size_t>(a)]; }
    bool HasTimes() const { return hasTimes_; }
    const TrendOptions& Options() const { return options_; }

private:
    struct Identity {
        int heads = 0;
        std::array<const float*, MAX_HEADS> first{};
        std::array<int, MAX_HEADS> count{};
    };
    static Identity IdentityOf(const Cvarnello_mfDoc& doc);
    bool SameStore(const Identity& now) const;
    int Counted(const Cvarnello_mfDoc& doc, int a) const;

    TrendOptions options_;
    Identity identity_;
    int heads_ = 0;
    std::array<std::vector<TrendPoint>, MAX_HEADS> points_;
    std::array<std::unique_ptr<HeadTrend>, MAX_HEADS> trend_;
    bool running_ = false;
    bool hasTimes_ = false;
    int total_ = 0;
};

}  // namespace vmf
