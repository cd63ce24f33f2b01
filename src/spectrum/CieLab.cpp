#include "spectrum/CieLab.h"

#include <cmath>
#include <numbers>

namespace vmf {

namespace {

constexpr double kDeg = 180.0 / std::numbers::pi;
constexpr double kRad = std::numbers::pi / 180.0;
constexpr double kPow25To7 = 6103515625.0;  // 25^7

// The CIE 1976 cube root with its straight segment for very dark colours.
double F(double t) {
    constexpr double e = 216.0 / 24389.0;  // (6/29)^3
    return t > e ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0;
}

double HueDegrees(double b, double a) {
    if (a == 0 && b == 0) return 0;
    const double h = std::atan2(b, a) * kDeg;
    return h < 0 ? h + 360.0 : h;
}

}  // namespace

Lab LabOf(const Xyz& t, const Xyz& white) {
    const double fx = F(t.X / white.X), fy = F(t.Y / white.Y), fz = F(t.Z / white.Z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

Lch LchOf(const Lab& lab) { return {lab.L, std::hypot(lab.a, lab.b), HueDegrees(lab.b, lab.a)}; }

double DeltaEab(const Lab& a, const Lab& b) {
    const double dl = a.L - b.L, da = a.a - b.a, db = a.b - b.b;
    return std::sqrt(dl * dl + da * da + db * db);
}

double DeltaE2000(const Lab& p, const Lab& q) {
    const double c1 = std::hypot(p.a, p.b), c2 = std::hypot(q.a, q.b);
    const double cMean7 = std::pow((c1 + c2) / 2.0, 7);
    const double g = 0.5 * (1.0 - std::sqrt(cMean7 / (cMean7 + kPow25To7)));
    const double a1 = (1.0 + g) * p.a, a2 = (1.0 + g) * q.a;
    const double cp1 = std::hypot(a1, p.b), cp2 = std::hypot(a2, q.b);
    const double hp1 = HueDegrees(p.b, a1), hp2 = HueDegrees(q.b, a2);

    const double dL = q.L - p.L;
    const double dC = cp2 - cp1;
    double dh = 0;
    if (cp1 * cp2 != 0) {
        dh = hp2 - hp1;
        if (dh > 180.0) dh -= 360.0;
        if (dh < -180.0) dh += 360.0;
    }
    const double dH = 2.0 * std::sqrt(cp1 * cp2) * std::sin(dh * kRad / 2.0);

    const double lMean = (p.L + q.L) / 2.0;
    const double cpMean = (cp1 + cp2) / 2.0;
    double hMean = hp1 + hp2;
    if (cp1 * cp2 != 0) {
        if (std::fabs(hp1 - hp2) <= 180.0)
            hMean /= 2.0;
        else
            hMean = hMean < 360.0 ? (hMean + 360.0) / 2.0 : (hMean - 360.0) / 2.0;
    }
    const double t =
        1.0 - 0.17 * std::cos((hMean - 30.0) * kRad) + 0.24 * std::cos(2.0 * hMean * kRad) +
        0.32 * std::cos((3.0 * hMean + 6.0) * kRad) - 0.20 * std::cos((4.0 * hMean - 63.0) * kRad);
    const double dTheta = 30.0 * std::exp(-std::pow((hMean - 275.0) / 25.0, 2));
    const double cpMean7 = std::pow(cpMean, 7);
    const double rc = 2.0 * std::sqrt(cpMean7 / (cpMean7 + kPow25To7));
    const double l50 = (lMean - 50.0) * (lMean - 50.0);
    const double sl = 1.0 + 0.015 * l50 / std::sqrt(20.0 + l50);
    const double sc = 1.0 + 0.045 * cpMean;
    const double sh = 1.0 + 0.015 * cpMean * t;
    const double rt = -std::sin(2.0 * dTheta * kRad) * rc;
    const double tl = dL / sl, tc = dC / sc, th = dH / sh;
    return std::sqrt(tl * tl + tc * tc + th * th + rt * tc * th);
}

}  // namespace vmf
