#pragma once
// The heads as the live view names them, and the reading of stored records
// from the server's thread. A head set is made on the store's thread when
// the heads change (count, wavelengths, or records freed or replaced), and
// holds only names and wavelengths then; the server then copies a counted record under a shared
// hold of the store's record gate, refusing once the gate's generation has moved on, and computes
// its values after letting go: a client asking for records holds the cycle's writes off for one
// copy of 288 floats, never for a colour computation.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "spectrum/RecordTrend.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

struct LiveHeadIdentity {
    std::string serialNo;  // UTF-8
    std::string headKind;  // UTF-8
    int channelCount = 0;
};

// One stored record as the API gives it.
struct LiveRecord {
    TrendPoint point;  // peak, statistics, temperature, exposure, colour, time
    std::array<float, GRID_POINTS> grid{};
};

class LiveHeadSet {
public:
    // On the store's thread.
    // graphMax: where the statistics' minimum starts, as on the info line.
    LiveHeadSet(const Cvarnello_mfDoc& doc, int graphMax);
    ~LiveHeadSet();
    // True while it still describes the store's heads (same count,
    // wavelengths and record generation) for that graphMax.
    bool Describes(const Cvarnello_mfDoc& doc, int graphMax) const;

    int HeadCount() const { return static_cast<int>(heads_.size()); }
    const LiveHeadIdentity& Head(int a) const { return heads_[static_cast<size_t>(a)]; }

    // Record r of head a when r is below `counted` (the count handed over
    // with the snapshot) and the records are still those of this set. Any
    // thread; one reader at a time.
    std::optional<LiveRecord> Read(int a, int r, int counted) const;

private:
    const Cvarnello_mfDoc& doc_;
    uint64_t generation_ = 0;
    int graphMax_ = 0;
    std::vector<LiveHeadIdentity> heads_;
    std::vector<std::array<float, MAX_CHANNELS>> wavelengths_;
    // Under readMutex_: one slot per head that a record is copied into and
    // the trends that read it, made at the first Read.
    void MakeReaders() const;
    mutable std::unique_ptr<Cvarnello_mfDoc> copy_;
    mutable std::vector<std::unique_ptr<HeadTrend>> trends_;
    mutable std::mutex readMutex_;
    mutable TrendScratch scratch_;
};

}  // namespace vmf
