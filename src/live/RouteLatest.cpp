// GET /api/v1/latest: every head's record of the newest hand-over, with its
// grid spectrum (counts, or the ratio on a ratio axis) and its values.

#include <limits>

#include "live/LiveBoard.h"
#include "live/LiveJson.h"

namespace vmf {

std::string LiveBoard::LatestJson() const {
    const LiveSnapshot* s = latest_.get();
    LiveJsonObject top;
    top["seq"] = s ? s->seq : 0;
    top["handOverUtcMs"] = s ? s->handOverUtcMs : 0;
    top["measuring"] = MeasuringName(s ? s->measuring : LiveMeasuring::Stopped);
    top["axis"] = s && s->ratioAxis ? "ratio" : "count";
    std::string heads = "[";
    for (int a = 0; s && a < static_cast<int>(s->heads.size()); ++a) {
        const LiveHeadSnapshot& h = s->heads[static_cast<size_t>(a)];
        // The values of the grid row, computed as `trend` computes them for
        // a stored record (statistics from graphMax, colour of this head).
        SpectrumWorkspace& ws = *ws_;
        ws.displaySpectrum[a] = h.grid;
        ws.ComputeStatistics(a, s->graphMax);
        ws.ComputeColour(a, a);
        const int peak = PeakIndex(h.grid.data(), GRID_POINTS);
        TrendPoint p;
        p.v.fill(std::numeric_limits<double>::quiet_NaN());
        p.utcMs = h.utcMs;
        p.utcOffsetS = h.utcOffsetS;
        p.v[static_cast<int>(TrendValue::PeakNm)] = GRID_START_NM + peak;
        p.v[static_cast<int>(TrendValue::PeakValue)] = h.grid[static_cast<size_t>(peak)];
        p.v[static_cast<int>(TrendValue::Average)] = ws.statistics[a].average;
        p.v[static_cast<int>(TrendValue::Minimum)] = ws.statistics[a].minimum;
        p.v[static_cast<int>(TrendValue::Maximum)] = ws.statistics[a].maximum;
        p.v[static_cast<int>(TrendValue::Temperature)] = h.temperatureC;
        p.v[static_cast<int>(TrendValue::Exposure)] = h.exposureUs;
        p.v[static_cast<int>(TrendValue::InfoCieX)] = ws.colour[a].x;
        p.v[static_cast<int>(TrendValue::InfoCieY)] = ws.colour[a].y;

        LiveJsonObject obj;
        obj["head"] = a;
        obj["serialNo"] = s->headSet->Head(a).serialNo;
        obj["recordCount"] = h.recordCount;
        obj["record"] = h.record >= 0 ? LiveJsonObject(h.record + 1) : LiveJsonObject();
        AddTrendValues(obj, p);
        const auto& row = s->ratioAxis ? h.ratio : h.grid;
        if (a) heads += ',';
        heads += DumpWithArray(obj, "spectrum", row.data(), GRID_POINTS);
    }
    heads += ']';
    std::string out = top.dump();
    out.pop_back();
    return out + ",\"heads\":" + heads + '}';
}

}  // namespace vmf
