#pragma once
// The 1-nm grid every colour value is computed on: 360 to 830 nm, the range of
// the CIE 1931 2-degree observer, and the sums of a spectrum against that
// observer.
//
// The observer is published every 5 nm; the values between are filled by
// Sprague's fifth-order interpolation (the method CIE 167 recommends for
// 5-nm spectral data), which passes through every published point and keeps
// the sharp maxima of x-bar and z-bar that straight lines would cut off. At
// the two ends two points are extrapolated on each side with CIE 167's
// boundary coefficients.

#include <array>
#include <cstddef>

namespace vmf {

inline constexpr int COLOUR_START_NM = 360;
inline constexpr int COLOUR_END_NM = 830;
inline constexpr int COLOUR_POINTS = COLOUR_END_NM - COLOUR_START_NM + 1;  // 471

// Values on the colour grid; index i stands for 360 + i nm.
using Spectrum1nm = std::array<double, COLOUR_POINTS>;

struct Xyz {
    double X = 0, Y = 0, Z = 0;
};

struct ColourObserver {
    Spectrum1nm xbar{}, ybar{}, zbar{};
};

// The CIE 1931 2-degree observer on the colour grid (computed once).
const ColourObserver& ObserverAt1nm();

// Sprague interpolation of n >= 6 equally spaced values (step `step` nm, the
// first at firstNm) onto whole nanometres from firstNm to firstNm + (n-1) *
// step; out must hold (n - 1) * step + 1 values.
void SpragueInterpolate(const double* values, int n, int step, double* out);

// X, Y, Z of s: plain sums over the grid (1 nm spacing), unnormalised.
Xyz Tristimulus(const Spectrum1nm& s);

// X, Y, Z of s weighted by w (a reflectance factor 0..1 under illuminant s).
Xyz Tristimulus(const Spectrum1nm& s, const Spectrum1nm& w);

}  // namespace vmf
