// GET /api/v1/peaks: each head's strip of peak wavelengths over the last 500
// hand-overs, as [seq, record number, peak nm] (record null when none).

#include "live/LiveBoard.h"
#include "live/LiveJson.h"

namespace vmf {

LiveJsonObject PeakPointsJson(const std::deque<LivePeakPoint>& strip, std::size_t newest) {
    LiveJsonObject points = LiveJsonObject::array();
    const std::size_t first = strip.size() > newest ? strip.size() - newest : 0;
    for (std::size_t i = first; i < strip.size(); ++i) {
        const LivePeakPoint& p = strip[i];
        points.push_back(
            {p.seq, p.record >= 0 ? LiveJsonObject(p.record + 1) : LiveJsonObject(), p.peakNm});
    }
    return points;
}

std::string LiveBoard::PeaksJson() const {
    const LiveSnapshot* s = latest_.get();
    LiveJsonObject out;
    out["seq"] = s ? s->seq : 0;
    LiveJsonObject heads = LiveJsonObject::array();
    for (int a = 0; s && a < static_cast<int>(s->heads.size()); ++a)
        heads.push_back({{"head", a}, {"points", PeakPointsJson(Peaks(a), kPeakStripLength)}});
    out["heads"] = std::move(heads);
    return out.dump();
}

}  // namespace vmf
