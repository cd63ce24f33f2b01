#include "panel/TrendCollector.h"

#include <algorithm>
#include <mutex>
#include <shared_mutex>
#include <system_error>

#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

// Records per shared hold: short enough (well under a millisecond, colour
// values included) that a writer waiting at the gate is hardly delayed,
// long enough that taking the hold costs nothing against the records.
constexpr int kBlockRecords = 128;

struct Block {
    int head;
    int first;
    int end;
};

}  // namespace

struct TrendCollector::Run {
    const Cvarnello_mfDoc* doc = nullptr;
    uint64_t generation = 0;
    std::array<const HeadTrend*, MAX_HEADS> trend{};
    std::array<std::vector<TrendPoint>, MAX_HEADS> points;
    std::vector<Block> blocks;
    int total = 0;
    int workers = 0;
    std::atomic<int> next{0};
    std::atomic<int> done{0};
    std::atomic<int> finished{0};
    std::atomic<bool> cancel{false};
    std::atomic<bool> stale{false};
    std::atomic<bool> failed{false};
};

TrendCollector::TrendCollector() = default;
TrendCollector::~TrendCollector() { Cancel(); }

TrendCollector::Identity TrendCollector::IdentityOf(const Cvarnello_mfDoc& doc) {
    Identity id;
    id.generation = doc.recordGate.Generation();
    id.heads = std::clamp(doc.headCount, 0, MAX_HEADS);
    for (int a = 0; a < id.heads; ++a) {
        id.count[static_cast<size_t>(a)] = std::clamp(doc.recordCount[a], 0, MAX_RECORDS);
        if (id.count[static_cast<size_t>(a)] > 0)
            id.first[static_cast<size_t>(a)] = doc.recProcessed(a, 0);
    }
    return id;
}

bool TrendCollector::SameStore(const Identity& now) const {
    // Records cleared or replaced, however alike the new ones look.
    if (now.generation != identity_.generation) return false;
    if (now.heads != identity_.heads) return false;
    for (size_t a = 0; a < static_cast<size_t>(now.heads); ++a) {
        // A head that had no record yet was computed with nothing: its
        // wavelengths may have changed since (a detection), so start over.
        if (identity_.count[a] == 0 && now.count[a] > 0) return false;
        if (now.count[a] < identity_.count[a] || now.first[a] != identity_.first[a]) return false;
    }
    return true;
}

void TrendCollector::Work(Run& run) {
    try {
        TrendScratch scratch;
        const RecordGate& gate = run.doc->recordGate;
        while (!run.cancel.load(std::memory_order_relaxed)) {
            const int b = run.next.fetch_add(1, std::memory_order_relaxed);
            if (b >= static_cast<int>(run.blocks.size())) break;
            const Block& block = run.blocks[static_cast<size_t>(b)];
            const HeadTrend& trend = *run.trend[static_cast<size_t>(block.head)];
            auto& points = run.points[static_cast<size_t>(block.head)];
            {
                std::shared_lock<RecordGate> hold(run.doc->recordGate);
                if (gate.Generation() != run.generation) {
                    // The records this run was given are gone.
                    run.stale.store(true);
                    run.cancel.store(true);
                    break;
                }
                for (int r = block.first; r < block.end; ++r)
                    points[static_cast<size_t>(r)] = trend.At(r, scratch);
            }
            run.done.fetch_add(block.end - block.first, std::memory_order_relaxed);
        }
    } catch (...) {
        // Out of memory for a colour computation: the run ends without points.
        run.failed.store(true);
        run.cancel.store(true);
    }
    run.finished.fetch_add(1, std::memory_order_acq_rel);
}

void TrendCollector::Join() {
    for (std::thread& t : workers_)
        if (t.joinable()) t.join();
}

void TrendCollector::Cancel() {
    if (run_) run_->cancel.store(true);
    Join();
    run_.reset();
    running_ = false;
}

void TrendCollector::Start(const Cvarnello_mfDoc& doc, const TrendOptions& options) {
    Cancel();
    options_ = options;
    identity_ = IdentityOf(doc);
    heads_ = identity_.heads;
    hasTimes_ = doc.HasRecordTimes();
    run_ = std::make_unique<Run>();
    Run& run = *run_;
    run.doc = &doc;
    run.generation = identity_.generation;
    for (size_t a = 0; a < MAX_HEADS; ++a) {
        points_[a].clear();
        trend_[a].reset();
        if (static_cast<int>(a) >= heads_) continue;
        trend_[a] = std::make_unique<HeadTrend>(doc, static_cast<int>(a), options_);
        run.trend[a] = trend_[a].get();
        const int n = identity_.count[a];
        run.points[a].resize(static_cast<size_t>(n));
        for (int r = 0; r < n; r += kBlockRecords)
            run.blocks.push_back(Block{static_cast<int>(a), r, std::min(n, r + kBlockRecords)});
        run.total += n;
    }
    running_ = true;
    for (std::thread& t : workers_) {
        if (run.workers * kBlockRecords >= run.total && run.workers > 0) break;
        try {
            t = std::thread(&TrendCollector::Work, std::ref(run));
            ++run.workers;
        } catch (const std::system_error&) {
            break;
        }
    }
    // No thread to be had: the computation runs here instead.
    if (run.workers == 0) {
        run.workers = 1;
        Work(run);
    }
}

bool TrendCollector::Poll(const Cvarnello_mfDoc& doc) {
    if (!running_) return true;
    if (run_->finished.load(std::memory_order_acquire) < run_->workers) return false;
    Join();
    // The workers may have finished just before the records went.
    if (run_->stale.load() || doc.recordGate.Generation() != run_->generation) {
        Start(doc, options_);
        return false;
    }
    if (!run_->failed.load())
        for (int a = 0; a < heads_; ++a)
            points_[static_cast<size_t>(a)] = std::move(run_->points[static_cast<size_t>(a)]);
    run_.reset();
    running_ = false;
    // Records counted while the computation ran come in now.
    Sync(doc);
    return true;
}

void TrendCollector::Finish(const Cvarnello_mfDoc& doc) {
    while (!Poll(doc)) Join();
}

double TrendCollector::Progress() const {
    if (!run_) return 1.0;
    if (run_->total == 0) return 0.0;
    return std::min(1.0,
                    static_cast<double>(run_->done.load(std::memory_order_relaxed)) / run_->total);
}

TrendCollector::SyncResult TrendCollector::Sync(const Cvarnello_mfDoc& doc) {
    const Identity now = IdentityOf(doc);
    if (!SameStore(now)) {
        Start(doc, options_);
        return SyncResult::Restarted;
    }
    if (running_) return SyncResult::Unchanged;
    bool appended = false;
    // A save worker may be rewriting processed spectra meanwhile.
    std::shared_lock<RecordGate> hold(doc.recordGate);
    for (int a = 0; a < heads_; ++a) {
        auto& pts = points_[static_cast<size_t>(a)];
        const int n = now.count[static_cast<size_t>(a)];
        while (static_cast<int>(pts.size()) < n) {
            pts.push_back(trend_[static_cast<size_t>(a)]->At(static_cast<int>(pts.size())));
            appended = true;
            if (pts.back().utcMs != 0) hasTimes_ = true;
        }
    }
    identity_ = now;
    return appended ? SyncResult::Appended : SyncResult::Unchanged;
}

}  // namespace vmf
