#pragma once
// CIE 1976 L*a*b* and L*C*h of a tristimulus triple, and the colour
// differences Delta E*ab (CIE 1976) and Delta E00 (CIEDE2000, with kL = kC =
// kH = 1).

#include "spectrum/ColourGrid.h"

namespace vmf {

struct Lab {
    double L = 0, a = 0, b = 0;
};

struct Lch {
    double L = 0, C = 0, h = 0;  // h in degrees 0..360
};

// L*a*b* of t against the white (Xn, Yn, Zn), which must be positive.
Lab LabOf(const Xyz& t, const Xyz& white);

// C* = sqrt(a*^2 + b*^2), h = atan2(b*, a*) in degrees 0..360 (0 when C* is 0).
Lch LchOf(const Lab& lab);

double DeltaEab(const Lab& a, const Lab& b);

// CIEDE2000 as Sharma, Wu and Dalal (2005) set it out.
double DeltaE2000(const Lab& a, const Lab& b);

}  // namespace vmf
