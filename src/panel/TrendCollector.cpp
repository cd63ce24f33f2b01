#include "panel/TrendCollector.h"

#include <algorithm>

#include "store/Cvarnello_mfDoc.h"

namespace vmf {

TrendCollector::Identity TrendCollector::IdentityOf(const Cvarnello_mfDoc& doc) {
    Identity id;
    id.heads = std::clamp(doc.headCount, 0, MAX_HEADS);
    for (int a = 0; a < id.heads; ++a) {
        id.count[static_cast<size_t>(a)] = std::clamp(doc.recordCount[a], 0, MAX_RECORDS);
        if (id.count[static_cast<size_t>(a)] > 0)
            id.first[static_cast<size_t>(a)] = doc.recProcessed(a, 0);
    }
    return id;
}

bool TrendCollector::SameStore(const Identity& now) const {
    if (now.heads != identity_.heads) return false;
    for (size_t a = 0; a < static_cast<size_t>(now.heads); ++a) {
        // A head that had no record yet was computed with nothing: its
        // wavelengths may have changed since (a detection), so start over.
        if (identity_.count[a] == 0 && now.count[a] > 0) return false;
        if (now.count[a] < identity_.count[a] || now.first[a] != identity_.first[a]) return false;
    }
    return true;
}

int TrendCollector::Counted(const Cvarnello_mfDoc& doc, int a) const {
    return std::clamp(doc.recordCount[a], 0, MAX_RECORDS);
}

void TrendCollector::Start(const Cvarnello_mfDoc& doc, const TrendOptions& options) {
    options_ = options;
    identity_ = IdentityOf(doc);
    heads_ = identity_.heads;
    hasTimes_ = doc.HasRecordTimes();
    total_ = 0;
    for (size_t a = 0; a < MAX_HEADS; ++a) {
        points_[a].clear();
        trend_[a].reset();
        if (static_cast<int>(a) < heads_) {
            trend_[a] = std::make_unique<HeadTrend>(doc, static_cast<int>(a), options_);
            points_[a].reserve(static_cast<size_t>(identity_.count[a]));
            total_ += identity_.count[a];
        }
    }
    running_ = true;
}

bool TrendCollector::Step(const Cvarnello_mfDoc& doc, int maxRecords) {
    if (!running_) return true;
    for (int a = 0; a < heads_ && maxRecords > 0; ++a) {
        auto& pts = points_[static_cast<size_t>(a)];
        const int target = identity_.count[static_cast<size_t>(a)];
        while (static_cast<int>(pts.size()) < target && maxRecords > 0) {
            pts.push_back(trend_[static_cast<size_t>(a)]->At(static_cast<int>(pts.size())));
            --maxRecords;
        }
    }
    for (int a = 0; a < heads_; ++a)
        if (static_cast<int>(points_[static_cast<size_t>(a)].size()) <
            identity_.count[static_cast<size_t>(a)])
            return false;
    running_ = false;
    // Records counted while the computation ran come in now.
    Sync(doc);
    return true;
}

double TrendCollector::Progress() const {
    if (total_ == 0) return running_ ? 0.0 : 1.0;
    size_t done = 0;
    for (int a = 0; a < heads_; ++a) done += points_[static_cast<size_t>(a)].size();
    return std::min(1.0, static_cast<double>(done) / total_);
}

TrendCollector::SyncResult TrendCollector::Sync(const Cvarnello_mfDoc& doc) {
    const Identity now = IdentityOf(doc);
    if (!SameStore(now)) {
        Start(doc, options_);
        return SyncResult::Restarted;
    }
    if (running_) return SyncResult::Unchanged;
    bool appended = false;
    for (int a = 0; a < heads_; ++a) {
        auto& pts = points_[static_cast<size_t>(a)];
        const int n = Counted(doc, a);
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
