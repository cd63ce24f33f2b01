#pragma once
// Reference light on the 1-nm colour grid: the Planckian radiator, CIE
// illuminant A, CIE daylight of any correlated colour temperature from 4000 to
// 25000 K, and the D65 and D50 illuminants built from it.

#include "spectrum/ColourGrid.h"

namespace vmf {

// Second radiation constant in m*K (CODATA value used by CIE 15 and 13.3).
inline constexpr double PLANCK_C2 = 1.4388e-2;

// Spectral radiance of a blackbody at T kelvin and lambdaNm, up to a constant
// factor (c1 left out): lambda^-5 / (exp(c2 / (lambda T)) - 1), lambda in m.
double PlanckRelative(double lambdaNm, double kelvin);

// A blackbody at T kelvin on the colour grid, 100 at 560 nm.
Spectrum1nm PlanckSpectrum(double kelvin);

// CIE standard illuminant A (the 1931 definition with c2 = 1.435e-2 m*K at
// 2848 K, which is 2856 K on today's c2), 100 at 560 nm.
Spectrum1nm IlluminantA();

// Chromaticity of CIE daylight at cct kelvin (4000..25000).
struct DaylightLocus {
    double x = 0, y = 0;
};
DaylightLocus DaylightChromaticity(double cct);

// CIE daylight at cct kelvin (4000..25000), S0 + M1 S1 + M2 S2, 100 at
// 560 nm. roundFactors rounds M1 and M2 to three decimals as CIE 15 does for
// the tabulated D illuminants.
Spectrum1nm DaylightSpectrum(double cct, bool roundFactors = false);

// The CIE D65 and D50 illuminants (nominal 6500 K and 5000 K, that is 6504 K
// and 5003 K on today's c2).
const Spectrum1nm& IlluminantD65();
const Spectrum1nm& IlluminantD50();

// The equal-energy illuminant E.
const Spectrum1nm& IlluminantE();

}  // namespace vmf
