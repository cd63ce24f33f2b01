#include "spectrum/SpectrumShape.h"

namespace vmf {

SpectrumShape ShapeOf(const double* v, int n, int firstNm) {
    SpectrumShape s;
    if (n < 2) return s;
    int peak = 0;
    double weighted = 0, total = 0;
    for (int i = 0; i < n; ++i) {
        if (v[i] > v[peak]) peak = i;
        // Negative values (noise left after the dark) would pull the centroid
        // off the light; only what is there counts.
        if (v[i] > 0) {
            weighted += v[i] * (firstNm + i);
            total += v[i];
        }
    }
    if (!(v[peak] > 0)) return s;
    s.valid = true;
    s.peak = v[peak];
    s.peakNm = firstNm + peak;
    s.centroidNm = weighted / total;

    const double half = v[peak] / 2.0;
    int lo = peak;
    while (lo > 0 && v[lo - 1] > half) --lo;
    int hi = peak;
    while (hi < n - 1 && v[hi + 1] > half) ++hi;
    if (lo == 0 || hi == n - 1) return s;  // never falls to half within the range
    // The crossings lie between lo - 1 (at or below half) and lo, and between
    // hi and hi + 1.
    const double left = (lo - 1) + (half - v[lo - 1]) / (v[lo] - v[lo - 1]);
    const double right = hi + (v[hi] - half) / (v[hi] - v[hi + 1]);
    s.fwhmValid = true;
    s.halfLowNm = firstNm + left;
    s.halfHighNm = firstNm + right;
    s.fwhmNm = right - left;
    return s;
}

}  // namespace vmf
