#pragma once
// The server's side of the live view, on the server's thread: the newest
// snapshot, each head's strip of recent peak wavelengths, and the JSON texts
// the routes answer with. A stream message is serialised once per snapshot,
// whatever the number of clients that get it.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "live/LiveSnapshot.h"

namespace vmf {

struct LivePeakPoint {
    uint64_t seq = 0;
    int record = -1;
    int peakNm = 0;
};

// How many hand-overs each head's peak strip keeps, and how many of the
// newest ride along in every stream message (so a page thinned to 30
// messages a second still gets every point at up to 480 hand-overs a second).
inline constexpr std::size_t kPeakStripLength = 500;
inline constexpr std::size_t kPeakTailLength = 16;

// The newest `newest` points of a strip as [[seq, record number, nm], ...].
nlohmann::ordered_json PeakPointsJson(const std::deque<LivePeakPoint>& strip, std::size_t newest);

class LiveBoard {
public:
    LiveBoard();
    ~LiveBoard();
    void Absorb(std::shared_ptr<const LiveSnapshot> snapshot);
    const LiveSnapshot* Latest() const { return latest_.get(); }
    const std::deque<LivePeakPoint>& Peaks(int a) const { return peaks_[static_cast<size_t>(a)]; }

    // The route bodies (see docs/live-api.md). RecordJson is empty when the
    // head or record is not there.
    std::string StatusJson(std::string_view programVersion) const;
    std::string LatestJson() const;
    std::string PeaksJson() const;
    std::optional<std::string> RecordJson(int a, int r) const;
    // The stream message of the newest snapshot (the same text until the
    // next one arrives); empty before the first.
    const std::string& StreamMessage();

    // The info line of the newest snapshot, as the panel shows it.
    std::string InfoLine();

private:
    std::shared_ptr<const LiveSnapshot> latest_;
    std::array<std::deque<LivePeakPoint>, MAX_HEADS> peaks_;
    std::unique_ptr<SpectrumWorkspace> ws_;  // statistics and colour of the newest rows
    uint64_t messageSeq_ = 0;
    std::string message_;
};

}  // namespace vmf
