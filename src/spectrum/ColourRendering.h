#pragma once
// The CIE 13.3 colour rendering index: the general index Ra (mean of R1..R8)
// and the special indices R1..R14 of a light source.
//
// The reference is a Planckian radiator below 5000 K and CIE daylight at and
// above, both at the source's correlated colour temperature; chromatic
// adaptation is von Kries' in the CIE 1960 UCS and the colour differences are
// taken in CIE 1964 U*V*W*. Everything is summed on the 1-nm colour grid; the
// 5-nm test colour samples are brought onto it by the same Sprague
// interpolation as the observer.

#include <array>

#include "spectrum/ColourGrid.h"
#include "spectrum/TestColourSamples.h"

namespace vmf {

// CIE daylight, the reference from 5000 K, is defined up to 25000 K.
inline constexpr double CRI_MAX_K = 25000.0;
// CIE 13.3: beyond this distance in (u, v) between source and reference the
// index is of doubtful accuracy.
inline constexpr double CRI_DC_LIMIT = 5.4e-3;

struct ColourRenderingResult {
    bool valid = false;  // false: the cct lies outside the references' range
    double ra = 0;
    std::array<double, TCS_COUNT> r{};
    double dc = 0;                   // (u, v) distance source-reference
    bool daylightReference = false;  // reference is CIE daylight (else Planckian)
};

// Ra and R1..R14 of `source` (positive Y) at correlated colour temperature
// cct kelvin (from 1000 K to CRI_MAX_K; otherwise valid stays false).
ColourRenderingResult ColourRenderingOf(const Spectrum1nm& source, double cct);

// The test colour sample i (0..13) on the colour grid.
const Spectrum1nm& TestColourSampleAt1nm(int i);

}  // namespace vmf
