#include "spectrum/ColourRendering.h"

#include <cmath>

#include "spectrum/Illuminants.h"
#include "spectrum/PlanckianCct.h"

namespace vmf {

namespace {

constexpr double kDaylightFromK = 5000.0;

const std::array<Spectrum1nm, TCS_COUNT>& Samples() {
    static const std::array<Spectrum1nm, TCS_COUNT> samples = [] {
        std::array<Spectrum1nm, TCS_COUNT> s{};
        for (int i = 0; i < TCS_COUNT; ++i)
            SpragueInterpolate(kTestColourSamples[static_cast<size_t>(i)].data(), TCS_ROWS, 5,
                               s[static_cast<size_t>(i)].data());
        return s;
    }();
    return samples;
}

// CIE 1960 u, v and Y (white of the light at Y = 100) of a tristimulus triple.
struct Uvy {
    double u = 0, v = 0, y = 0;
};

Uvy UvyOf(const Xyz& t, double k) {
    const double den = t.X + 15.0 * t.Y + 3.0 * t.Z;
    return {4.0 * t.X / den, 6.0 * t.Y / den, k * t.Y};
}

double CFactor(const Uvy& p) { return (4.0 - p.u - 10.0 * p.v) / p.v; }
double DFactor(const Uvy& p) { return (1.708 * p.v + 0.404 - 1.481 * p.u) / p.v; }

struct Uvw {
    double U = 0, V = 0, W = 0;
};

Uvw UvwOf(double u, double v, double y, double u0, double v0) {
    const double w = 25.0 * std::cbrt(y) - 17.0;
    return {13.0 * w * (u - u0), 13.0 * w * (v - v0), w};
}

}  // namespace

const Spectrum1nm& TestColourSampleAt1nm(int i) { return Samples()[static_cast<size_t>(i)]; }

ColourRenderingResult ColourRenderingOf(const Spectrum1nm& source, double cct) {
    ColourRenderingResult out;
    if (!(cct >= CCT_MIN_K && cct <= CRI_MAX_K)) return out;
    out.daylightReference = cct >= kDaylightFromK;
    const Spectrum1nm reference =
        out.daylightReference ? DaylightSpectrum(cct) : PlanckSpectrum(cct);

    const Xyz testWhite = Tristimulus(source);
    const Xyz refWhite = Tristimulus(reference);
    if (!(testWhite.Y > 0) || !(refWhite.Y > 0)) return out;
    const double kt = 100.0 / testWhite.Y;
    const double kr = 100.0 / refWhite.Y;
    const Uvy k = UvyOf(testWhite, kt);
    const Uvy r = UvyOf(refWhite, kr);
    out.dc = std::hypot(k.u - r.u, k.v - r.v);
    const double cRatio = CFactor(r) / CFactor(k);
    const double dRatio = DFactor(r) / DFactor(k);

    const auto& samples = Samples();
    double sum8 = 0;
    for (int i = 0; i < TCS_COUNT; ++i) {
        const Spectrum1nm& reflectance = samples[static_cast<size_t>(i)];
        const Uvy ri = UvyOf(Tristimulus(reference, reflectance), kr);
        const Uvy ki = UvyOf(Tristimulus(source, reflectance), kt);
        // von Kries: the sample under the test source as it would look once
        // adapted to the reference white (the source white maps onto r).
        const double ck = CFactor(ki) * cRatio;
        const double dk = DFactor(ki) * dRatio;
        const double den = 16.518 + 1.481 * ck - dk;
        const double ua = (10.872 + 0.404 * ck - 4.0 * dk) / den;
        const double va = 5.520 / den;
        const Uvw a = UvwOf(ri.u, ri.v, ri.y, r.u, r.v);
        const Uvw b = UvwOf(ua, va, ki.y, r.u, r.v);
        const double de = std::sqrt((a.U - b.U) * (a.U - b.U) + (a.V - b.V) * (a.V - b.V) +
                                    (a.W - b.W) * (a.W - b.W));
        out.r[static_cast<size_t>(i)] = 100.0 - 4.6 * de;
        if (i < 8) sum8 += out.r[static_cast<size_t>(i)];
    }
    out.ra = sum8 / 8.0;
    out.valid = true;
    return out;
}

}  // namespace vmf
