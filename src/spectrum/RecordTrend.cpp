#include "spectrum/RecordTrend.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace vmf {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const std::array<TrendValueInfo, TREND_VALUE_COUNT> kValues = {{
    {TrendValue::PeakNm, "peakNm", "ピーク波長 (nm)"},
    {TrendValue::PeakValue, "peakValue", "ピーク値"},
    {TrendValue::Average, "average", "平均値"},
    {TrendValue::Minimum, "minimum", "最小値"},
    {TrendValue::Maximum, "maximum", "最大値"},
    {TrendValue::Temperature, "temperatureC", "温度 (℃)"},
    {TrendValue::Exposure, "exposureUs", "露光時間 (us)"},
    {TrendValue::CieX, "cieX", "CIE x"},
    {TrendValue::CieY, "cieY", "CIE y"},
    {TrendValue::Cct, "cctK", "相関色温度 (K)"},
    {TrendValue::Duv, "duv", "Duv"},
    {TrendValue::Ra, "ra", "平均演色評価数 Ra"},
}};

bool IsHead(const Cvarnello_mfDoc& doc, int a) {
    return a >= 0 && a < std::clamp(doc.headCount, 0, MAX_HEADS);
}

void Set(TrendPoint& p, TrendValue t, double value) { p.v[static_cast<int>(t)] = value; }

}  // namespace

std::span<const TrendValueInfo> TrendValues() { return kValues; }

bool IsColourTrendValue(TrendValue v) {
    return v == TrendValue::Cct || v == TrendValue::Duv || v == TrendValue::Ra;
}

int PeakIndex(const float* grid, int n) {
    int best = 0;
    for (int k = 1; k < n; ++k)
        if (grid[k] > grid[best]) best = k;
    return best;
}

HeadTrend::HeadTrend(const Cvarnello_mfDoc& doc, int a, const TrendOptions& options)
    : doc_(doc), head_(a), options_(options), ws_(std::make_unique<SpectrumWorkspace>()) {
    if (IsHead(doc, a))
        FindBrackets(doc.wavelengthNm[a].data(), std::clamp(doc.channelCount[a], 0, MAX_CHANNELS),
                     brackets_);
}

HeadTrend::~HeadTrend() = default;

TrendPoint HeadTrend::At(int r) {
    TrendPoint p;
    p.record = r;
    p.v.fill(kNaN);
    const int a = head_;
    if (!IsHead(doc_, a) || r < 0 || r >= MAX_RECORDS || !doc_.recProcessed(a, r)) return p;
    p.utcMs = doc_.recTimeUtcMs(a, r);
    p.utcOffsetS = doc_.recUtcOffsetS(a, r);
    Set(p, TrendValue::Temperature, doc_.recTemperatureC(a, r));
    Set(p, TrendValue::Exposure, doc_.recExposureUs(a, r));

    auto& grid = ws_->displaySpectrum[a];
    ApplyBrackets(brackets_, doc_.recProcessed(a, r), doc_.wavelengthNm[a].data(), grid.data());
    const int peak = PeakIndex(grid.data(), GRID_POINTS);
    Set(p, TrendValue::PeakNm, GRID_START_NM + peak);
    Set(p, TrendValue::PeakValue, grid[peak]);

    ws_->ComputeStatistics(a, options_.graphMax);
    const HeadStatistics& st = ws_->statistics[a];
    Set(p, TrendValue::Average, st.average);
    Set(p, TrendValue::Minimum, st.minimum);
    Set(p, TrendValue::Maximum, st.maximum);
    ws_->ComputeColour(a, a);
    Set(p, TrendValue::CieX, ws_->colour[a].x);
    Set(p, TrendValue::CieY, ws_->colour[a].y);

    if (options_.colour) {
        const ColourTrendPoint c = TrendPointOf(GridColourInput(grid, brackets_), options_.ra);
        if (c.cctRefusal == ColourRefusal::None) {
            Set(p, TrendValue::Cct, c.cct);
            Set(p, TrendValue::Duv, c.duv);
        }
        if (options_.ra && c.criRefusal == ColourRefusal::None) Set(p, TrendValue::Ra, c.ra);
    }
    return p;
}

std::vector<TrendPoint> ComputeHeadTrend(const Cvarnello_mfDoc& doc, int a,
                                         const TrendOptions& options) {
    std::vector<TrendPoint> out;
    if (!IsHead(doc, a)) return out;
    HeadTrend trend(doc, a, options);
    const int n = std::clamp(doc.recordCount[a], 0, MAX_RECORDS);
    out.reserve(static_cast<size_t>(n));
    for (int r = 0; r < n; ++r) out.push_back(trend.At(r));
    return out;
}

}  // namespace vmf
