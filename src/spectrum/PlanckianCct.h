#pragma once
// Correlated colour temperature and Duv by Ohno's 2013 method: the distance in
// the CIE 1960 (u, v) diagram to points of the Planckian locus, the nearest
// point found in a cascade (a coarse pass over a table of Planckian points,
// then a fine pass around its minimum), and the temperature between the
// table points by the triangular solution close to the locus (|Duv| <
// 0.002) or the parabolic one farther away.
//
// The table holds a point every 0.1 % of temperature from just below 1000 K
// to just above 100000 K, computed once from the 1-nm observer and Planck's
// law with c2 = 1.4388e-2 m*K; at that spacing either solution is well
// within 0.1 K, so no correction factor is applied to the parabolic one.

namespace vmf {

inline constexpr double CCT_MIN_K = 1000.0;
inline constexpr double CCT_MAX_K = 100000.0;
// Beyond this distance from the locus a correlated colour temperature has no
// meaning (CIE 15).
inline constexpr double DUV_LIMIT = 0.05;

enum class CctOutcome {
    Ok,
    OutOfRange,      // nearest locus point below 1000 K or above 100000 K
    FarFromLocus,    // |Duv| above DUV_LIMIT
    NoChromaticity,  // u, v not finite
};

struct CctResult {
    CctOutcome outcome = CctOutcome::NoChromaticity;
    double cct = 0;  // kelvin; valid when outcome is Ok
    double duv = 0;  // positive above the locus (towards green); valid when Ok
};

// CCT and Duv of the CIE 1960 chromaticity (u, v).
CctResult CctFromUv(double u, double v);

// The CIE 1960 (u, v) of a blackbody at T kelvin (any T > 0), computed.
void PlanckianUv(double kelvin, double& u, double& v);

}  // namespace vmf
