#pragma once
// The values of every record of a head, one point per record, for the trend
// window and `varnello-cli trend`: peak wavelength and value of the grid
// spectrum, the info line's average, minimum and maximum, the record's
// temperature and exposure, the info line's CIE x and y, and (when asked,
// because they cost more) CCT, Duv and Ra.
//
// Records are taken as stored: their processed spectra resampled onto the
// 340..850 nm grid, exactly as the panel resamples a displayed record. The
// statistics run record after record through one workspace, so a minimum or
// maximum wavelength that no value qualifies for keeps the previous record's
// value, as the info line does while stepping through the records.

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
    CieX,
    CieY,
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

// Computes the points of one head, record after record.
class HeadTrend {
public:
    HeadTrend(const Cvarnello_mfDoc& doc, int a, const TrendOptions& options);
    ~HeadTrend();
    // Record r; records must be asked for in rising order for the info
    // line's carried wavelengths to match. A record that is not there gives
    // NaN values.
    TrendPoint At(int r);

private:
    const Cvarnello_mfDoc& doc_;
    int head_;
    TrendOptions options_;
    GridBrackets brackets_;
    std::unique_ptr<SpectrumWorkspace> ws_;
};

// Every counted record of head a (0 .. recordCount[a] - 1).
std::vector<TrendPoint> ComputeHeadTrend(const Cvarnello_mfDoc& doc, int a,
                                         const TrendOptions& options);

// The grid index of the largest value (ties to the shortest wavelength).
int PeakIndex(const float* grid, int n);

}  // namespace vmf
