#include "spectrum/CurveLookup.h"

#include <cmath>

namespace vmf {

float CurveValueAt(const CurveTable& table, int nm) {
    if (nm < CURVE_START_NM || nm > CURVE_END_NM) return 0.0f;
    return table[static_cast<size_t>(nm - CURVE_START_NM)];
}

float CurveLookup(const CurveTable& table, float lambda) {
    // 300 + k is a small integer and exact in float, so "300 + k >= lambda"
    // is "k >= ceil(lambda) - 300"; the comparison is written to be false for
    // NaN, which then falls through to the "no k" result like a wavelength
    // above the table.
    if (!(lambda <= static_cast<float>(CURVE_END_NM))) return 0.0f;
    int k = 1;
    if (lambda > static_cast<float>(CURVE_START_NM + 1))
        k = static_cast<int>(std::ceil(static_cast<double>(lambda))) - CURVE_START_NM;
    const double lower = table[static_cast<size_t>(k - 1)];
    const double upper = table[static_cast<size_t>(k)];
    const double below = static_cast<double>(CURVE_START_NM - 1 + k);
    return static_cast<float>(lower + (static_cast<double>(lambda) - below) * (upper - lower));
}

}  // namespace vmf
