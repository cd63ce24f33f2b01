#include "spectrum/ColourRecord.h"

#include <algorithm>
#include <cmath>

#include "spectrum/ColourGrid.h"

namespace vmf {

namespace {

bool IsHead(const Cvarnello_mfDoc& doc, int a) {
    return a >= 0 && a < std::clamp(doc.headCount, 0, MAX_HEADS);
}

bool HasRecord(const Cvarnello_mfDoc& doc, int a, int r) {
    return IsHead(doc, a) && r >= 0 && r < MAX_RECORDS && doc.recProcessed(a, r) &&
           doc.recRaw(a, r);
}

void HeadBrackets(const Cvarnello_mfDoc& doc, int a, GridBrackets& out) {
    FindBrackets(doc.wavelengthNm[a].data(), std::clamp(doc.channelCount[a], 0, MAX_CHANNELS), out);
}

// Whether head a has a reference row the ratio can be taken against: an
// exposure and at least one channel with enough counts.
bool HasReference(const Cvarnello_mfDoc& doc, int a, MeasuringMethod method) {
    if (!IsHead(doc, a)) return false;
    const auto& ref = method == MeasuringMethod::Reflectance ? doc.whiteRef[a] : doc.transRef[a];
    const int n = std::clamp(doc.channelCount[a], 0, MAX_CHANNELS);
    return ref[static_cast<size_t>(n)] > 0 &&
           std::any_of(ref.begin(), ref.begin() + n,
                       [](float v) { return v >= MIN_REFERENCE_COUNTS; });
}

ColourValues ValuesOf(const ColourInput& in, MeasuringMethod method, SampleIlluminant illuminant) {
    return method == MeasuringMethod::LightSource ? LightSourceValuesOf(in)
                                                  : SampleValuesOf(in, illuminant);
}

ColourValues NoSpectrum(MeasuringMethod method, SampleIlluminant illuminant) {
    return ValuesOf(ColourInput{}, method, illuminant);
}

}  // namespace

GridColourSpan ColourSpanOf(const GridBrackets& brackets) {
    GridColourSpan span;
    for (int k = 0; k < GRID_POINTS; ++k) {
        if (brackets.lower[static_cast<size_t>(k)] < 0) continue;
        if (span.first < 0) span.first = k;
        span.last = k;
    }
    return span;
}

ColourInput GridColourInput(const std::array<float, GRID_POINTS>& grid,
                            const GridBrackets& brackets) {
    const GridColourSpan span = ColourSpanOf(brackets);
    ColourInput in;
    if (span.first < 0) return in;
    in.firstNm = GRID_START_NM + span.first;
    in.values.assign(grid.begin() + span.first, grid.begin() + span.last + 1);
    return in;
}

ColourTrendPoint GridCctTrendPoint(const std::array<float, GRID_POINTS>& grid,
                                   GridColourSpan span) {
    // The refusals in the order the colour grid finds them.
    ColourTrendPoint p;
    auto refuse = [&p](ColourRefusal r) {
        p.cctRefusal = p.criRefusal = r;
        return p;
    };
    if (span.first < 0) return refuse(ColourRefusal::NoSpectrum);
    for (int k = span.first; k <= span.last; ++k)
        if (!std::isfinite(grid[static_cast<size_t>(k)])) return refuse(ColourRefusal::NotANumber);
    const int firstNm = GRID_START_NM + span.first;
    const int lastNm = GRID_START_NM + span.last;
    if (firstNm > CIE_NEEDED_FROM_NM || lastNm < CIE_NEEDED_TO_NM)
        return refuse(ColourRefusal::NotCovered);
    // Tristimulus's sums in its order over the covered part alone: the rest
    // of the colour grid holds zeros, and adding +0 to a sum that started at
    // +0 changes no bit.
    const ColourObserver& o = ObserverAt1nm();
    Xyz t;
    const int i0 = std::max(0, firstNm - COLOUR_START_NM);
    const int i1 = std::min(COLOUR_POINTS - 1, lastNm - COLOUR_START_NM);
    for (int i = i0; i <= i1; ++i) {
        const size_t k = static_cast<size_t>(i);
        const double s = grid[static_cast<size_t>(COLOUR_START_NM + i - GRID_START_NM)];
        t.X += s * o.xbar[k];
        t.Y += s * o.ybar[k];
        t.Z += s * o.zbar[k];
    }
    return CctTrendPointOf(t);
}

ColourInput StoredRecordColourInput(const Cvarnello_mfDoc& doc, int a, int r,
                                    MeasuringMethod method) {
    if (!HasRecord(doc, a, r)) return {};
    GridBrackets brackets;
    HeadBrackets(doc, a, brackets);
    const float* wl = doc.wavelengthNm[a].data();
    std::array<float, GRID_POINTS> grid{};
    if (method == MeasuringMethod::LightSource) {
        ApplyBrackets(brackets, doc.recProcessed(a, r), wl, grid.data());
    } else {
        std::array<float, MAX_CHANNELS> ratio{};
        RatioAgainstReference(doc, a, doc.recProcessed(a, r), doc.recExposureUs(a, r), method,
                              ratio);
        ApplyBrackets(brackets, ratio.data(), wl, grid.data());
    }
    return GridColourInput(grid, brackets);
}

RecordColour ColourOfDisplayed(const ColourRequest& q) {
    RecordColour out;
    const bool sample = q.method != MeasuringMethod::LightSource;
    if (q.doc && q.ws && HasRecord(*q.doc, q.head, q.record)) {
        GridBrackets brackets;
        HeadBrackets(*q.doc, q.head, brackets);
        const auto& grid = sample ? q.ws->displayRatio[static_cast<size_t>(q.head)]
                                  : q.ws->displaySpectrum[static_cast<size_t>(q.head)];
        out.shown = ValuesOf(GridColourInput(grid, brackets), q.method, q.illuminant);
    } else {
        out.shown = NoSpectrum(q.method, q.illuminant);
    }
    if (!q.compare) return out;
    out.hasComparison = true;
    out.comparison =
        ValuesOf(StoredRecordColourInput(*q.compare, q.compareHead, q.compareRecord, q.method),
                 q.method, q.illuminant);
    out.difference = DifferenceOf(out.shown, out.comparison);
    out.comparisonUnreferenced = sample && !HasReference(*q.compare, q.compareHead, q.method);
    return out;
}

ColourTrend::ColourTrend(const Cvarnello_mfDoc& doc, int a) : doc_(doc), head_(a) {
    if (IsHead(doc, a)) HeadBrackets(doc, a, brackets_);
}

ColourTrendPoint ColourTrend::At(int r, bool withRa) const {
    if (!HasRecord(doc_, head_, r)) return TrendPointOf(ColourInput{}, withRa);
    std::array<float, GRID_POINTS> grid{};
    ApplyBrackets(brackets_, doc_.recProcessed(head_, r), doc_.wavelengthNm[head_].data(),
                  grid.data());
    return TrendPointOf(GridColourInput(grid, brackets_), withRa);
}

}  // namespace vmf
