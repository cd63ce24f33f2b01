#pragma once
// The values of every record of a head, one point per record, for the trend
// window and `varnello-cli trend`: peak wavelength and value of the grid
// spectrum, the info line's average, minimum and maximum, the record's
// temperature and exposure, the info line's CIE x and y (its 5 nm observer
// table in single precision, not the colour window's 1 nm values), and
// (when asked, because they cost more) CCT, Duv and Ra.
//
// Records are taken as stored: their processed spectra resampled onto the
// 340..850 nm grid, exactly as the panel resamples a displayed record, and
// the values are bit for bit those of the info line for that record. None
// of them depends on the record before (the info line's minimum and maximum
// wavelengths, which do, are not among them), so records may be computed in
// any order and on any thread.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "spectrum/ColourRecord.h"
#include "spectrum/SpectrumWorkspace.h"

namespace vmf {

enum class TrendValue : int {
    PeakNm,
    PeakValue,
    Average,
    Minimum,
    Maximum,
    Temperature,
    Exposure,
    InfoCieX,
    InfoCieY,
    Cct,
    Duv,
    Ra,
};
inline constexpr int TREND_VALUE_COUNT = 12;

struct TrendValueInfo {
    TrendValue value;
    const char* key;    // CSV column and JSON name
    const char* label;  // the trend window's choice (UTF-8)
};
// Every value in the order of TrendValue.
std::span<const TrendValueInfo> TrendValues();
// True for the values that need the colour computation (CCT, Duv, Ra).
bool IsColourTrendValue(TrendValue v);

// One record. Values that cannot be given (no colour, no record) are NaN.
struct TrendPoint {
    int record = 0;
    int64_t utcMs = 0;  // 0: the record carries no time
    int32_t utcOffsetS = 0;
    std::array<double, TREND_VALUE_COUNT> v{};
    double operator[](TrendValue t) const { return v[static_cast<int>(t)]; }
};

struct TrendOptions {
    int graphMax = 8192;  // where the info line's minimum starts
    bool colour = false;  // CCT and Duv
    bool ra = false;      // Ra as well (with colour)
};

// The working arrays of one thread computing points (any head).
struct TrendScratch {
    TrendScratch();
    ~TrendScratch();
    std::unique_ptr<SpectrumWorkspace> ws;
};

// Computes the points of one head. Everything it needs of the head
// (presence, wavelengths) is taken when it is made, on the store's thread;
// At then reads only the record's spectrum and scalars, so another thread
// may call it for counted records while it holds doc.recordGate shared.
class HeadTrend {
public:
    HeadTrend(const Cvarnello_mfDoc& doc, int a, const TrendOptions& options);
    ~HeadTrend();
    // Record r, with the arrays of the calling thread. A record that is not
    // there gives NaN values.
    TrendPoint At(int r, TrendScratch& scratch) const;
    // The same with arrays of its own (one thread at a time).
    TrendPoint At(int r) { return At(r, own_); }
    int Head() const { return head_; }

private:
    const Cvarnello_mfDoc& doc_;
    int head_;
    bool present_ = false;
    TrendOptions options_;
    GridBrackets brackets_;
    GridColourSpan colourSpan_;
    // Per grid point, the interpolation's c - wl[j] and wl[j+1] - wl[j],
    // worked out once instead of for every record.
    std::array<double, GRID_POINTS> offset_{};
    std::array<double, GRID_POINTS> width_{};
    TrendScratch own_;
};
// Every counted record of head a (0 .. recordCount[a] - 1).
std::vector<TrendPoint> ComputeHeadTrend(const Cvarnello_mfDoc& doc, int a,
                                         const TrendOptions& options);

// The grid index of the largest value (ties to the shortest wavelength).
int PeakIndex(const float* grid, int n);

}  // namespace vmf
