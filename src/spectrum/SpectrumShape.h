#pragma once
// The shape of a spectrum on a 1-nm grid: the wavelength of its peak, its
// centroid and its full width at half maximum.

namespace vmf {

struct SpectrumShape {
    bool valid = false;     // false: no positive value (or fewer than 2 points)
    double peakNm = 0;      // the largest value's wavelength (shortest on a tie)
    double peak = 0;        // that value
    double centroidNm = 0;  // sum(lambda * v) / sum(v) over the positive values
    // Width at half the peak, the half-maximum crossings found by straight
    // lines between neighbours, walking out from the peak. Invalid when the
    // spectrum does not fall to half the peak on both sides within its range.
    bool fwhmValid = false;
    double fwhmNm = 0;
    double halfLowNm = 0, halfHighNm = 0;
};

// v[0..n-1] at firstNm, firstNm + 1, ...; values must be finite.
SpectrumShape ShapeOf(const double* v, int n, int firstNm);

}  // namespace vmf
