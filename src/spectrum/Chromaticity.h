#pragma once
// Chromaticity coordinates of a tristimulus triple (CIE 1931 x, y; CIE 1960
// u, v; CIE 1976 u', v') and the dominant or complementary wavelength with the
// excitation purity against a white point.

#include "spectrum/ColourGrid.h"

namespace vmf {

struct Chromaticity {
    double x = 0, y = 0;    // CIE 1931
    double u = 0, v = 0;    // CIE 1960 UCS
    double up = 0, vp = 0;  // CIE 1976 u', v'
};

// All three pairs from X, Y, Z; X + Y + Z must be positive.
Chromaticity ChromaticityOf(const Xyz& t);

// CIE 1960 u, v from x, y.
void XyToUv(double x, double y, double& u, double& v);

struct DominantWavelength {
    bool found = false;          // false when the colour sits on the white point
    double nm = 0;               // dominant, or complementary when complementary
    bool complementary = false;  // the ray from white met the purple line
    double purity = 0;           // excitation purity 0..1 (above 1 outside the locus)
    bool locusEnd = false;       // met the locus where it folds back (nm is its red end)
};

// Follows the ray from the white point (wx, wy) through (x, y) to the spectral
// locus of the 1-nm observer from 380 to 780 nm, or to the purple line that
// joins those ends. When it meets the purple line the wavelength is the
// complementary one: where the opposite ray meets the locus. The purity is
// the distance white-colour over white-locus (or white-purple line). Beyond
// its reddest point (702 nm) the locus folds back on itself within the
// table's rounding; a ray that meets it there gives that end wavelength with
// locusEnd set, never a number between it and 780 nm or a complementary one.
DominantWavelength DominantWavelengthOf(double x, double y, double wx, double wy);

}  // namespace vmf
