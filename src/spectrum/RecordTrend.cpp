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
    {TrendValue::InfoCieX, "infoCieX", "CIE x"},
    {TrendValue::InfoCieY, "infoCieY", "CIE y"},
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
    // The best value rides along in a register rather than being loaded back
    // through the index every step; grid[best] is always exactly it.
    int best = 0;
    float top = n > 0 ? grid[0] : 0.0f;
    for (int k = 1; k < n; ++k)
        if (grid[k] > top) top = grid[k], best = k;
    return best;
}

TrendScratch::TrendScratch() : ws(std::make_unique<SpectrumWorkspace>()) {}
TrendScratch::~TrendScratch() = default;

HeadTrend::HeadTrend(const Cvarnello_mfDoc& doc, int a, const TrendOptions& options)
    : doc_(doc), head_(a), present_(IsHead(doc, a)), options_(options) {
    if (!present_) return;
    const float* wl = doc.wavelengthNm[a].data();
    FindBrackets(wl, std::clamp(doc.channelCount[a], 0, MAX_CHANNELS), brackets_);
    colourSpan_ = ColourSpanOf(brackets_);
    // The same double operands ApplyBrackets forms, so the values match it.
    for (int k = 0; k < GRID_POINTS; ++k) {
        const int j = brackets_.lower[static_cast<size_t>(k)];
        if (j < 0) continue;
        const double c = static_cast<float>(GRID_START_NM + k);
        offset_[static_cast<size_t>(k)] = c - static_cast<double>(wl[j]);
        width_[static_cast<size_t>(k)] =
            static_cast<double>(wl[j + 1]) - static_cast<double>(wl[j]);
    }
}

HeadTrend::~HeadTrend() = default;

TrendPoint HeadTrend::At(int r, TrendScratch& scratch) const {
    TrendPoint p;
    p.record = r;
    p.v.fill(kNaN);
    const int a = head_;
    if (!present_ || r < 0 || r >= MAX_RECORDS) return p;
    const float* processed = doc_.recProcessed(a, r);
    if (!processed) return p;
    p.utcMs = doc_.recTimeUtcMs(a, r);
    p.utcOffsetS = doc_.recUtcOffsetS(a, r);
    Set(p, TrendValue::Temperature, doc_.recTemperatureC(a, r));
    Set(p, TrendValue::Exposure, doc_.recExposureUs(a, r));

    // One pass does the resampling, the peak and the info line's statistics:
    // each with the operations, in the order, of ApplyBrackets, PeakIndex
    // and ComputeStatistics, so every value is theirs bit for bit, while
    // their separate dependency chains overlap instead of running one after
    // another.
    SpectrumWorkspace& ws = *scratch.ws;
    auto& grid = ws.displaySpectrum[a];
    float minimum = static_cast<float>(options_.graphMax);
    float maximum = 0.0f;
    float sum = 0.0f;
    float top = 0.0f;
    int peak = 0;
    for (int k = 0; k < GRID_POINTS; ++k) {
        const int j = brackets_.lower[static_cast<size_t>(k)];
        float x = 0.0f;
        if (j >= 0) {
            const double p0 = processed[j], p1 = processed[j + 1];
            x = static_cast<float>(p0 + (p1 - p0) * offset_[static_cast<size_t>(k)] /
                                            width_[static_cast<size_t>(k)]);
        }
        grid[static_cast<size_t>(k)] = x;
        if (k == 0 || x > top) top = x, peak = k;
        minimum = x < minimum ? x : minimum;
        maximum = x > maximum ? x : maximum;
        sum = sum + x;
    }
    Set(p, TrendValue::PeakNm, GRID_START_NM + peak);
    Set(p, TrendValue::PeakValue, top);
    Set(p, TrendValue::Average, sum / static_cast<float>(GRID_POINTS));
    Set(p, TrendValue::Minimum, minimum);
    Set(p, TrendValue::Maximum, maximum);
    ws.ComputeColour(a, a);
    Set(p, TrendValue::InfoCieX, ws.colour[a].x);
    Set(p, TrendValue::InfoCieY, ws.colour[a].y);

    if (options_.colour) {
        // Ra needs the spectrum on the colour grid; CCT and Duv alone do not.
        const ColourTrendPoint c = options_.ra
                                       ? TrendPointOf(GridColourInput(grid, brackets_), true)
                                       : GridCctTrendPoint(grid, colourSpan_);
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
