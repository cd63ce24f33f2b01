#include "spectrum/Illuminants.h"

#include <cmath>

namespace vmf {

namespace {

// CIE daylight components S0, S1, S2 every 10 nm from 360 to 830 nm, as
// published in CIE 15 (Colorimetry, table of the components of the relative
// spectral power distribution of daylight).
constexpr int kDaylightRows = 48;
struct DaylightRow {
    double s0, s1, s2;
};
// clang-format off
constexpr DaylightRow kDaylight[kDaylightRows] = {
    {61.5, 38.0, 5.3}, {68.8, 42.4, 6.1},                                            // 360, 370
    {63.4, 38.5, 3.0}, {65.8, 35.0, 1.2}, {94.8, 43.4, -1.1}, {104.8, 46.3, -0.5},   // 380..410
    {105.9, 43.9, -0.7}, {96.8, 37.1, -1.2}, {113.9, 36.7, -2.6}, {125.6, 35.9, -2.9},
    {125.5, 32.6, -2.8}, {121.3, 27.9, -2.6}, {121.3, 24.3, -2.6}, {113.5, 20.1, -1.8},
    {113.1, 16.2, -1.5}, {110.8, 13.2, -1.3}, {106.5, 8.6, -1.2}, {108.8, 6.1, -1.0},
    {105.3, 4.2, -0.5}, {104.4, 1.9, -0.3}, {100.0, 0.0, 0.0}, {96.0, -1.6, 0.2},      // ..570
    {95.1, -3.5, 0.5}, {89.1, -3.5, 2.1}, {90.5, -5.8, 3.2}, {90.3, -7.2, 4.1},
    {88.4, -8.6, 4.7}, {84.0, -9.5, 5.1}, {85.1, -10.9, 6.7}, {81.9, -10.7, 7.3},
    {82.6, -12.0, 8.6}, {84.9, -14.0, 9.8}, {81.3, -13.6, 10.2}, {71.9, -12.0, 8.3},
    {74.3, -13.3, 9.6}, {76.4, -12.9, 8.5}, {63.3, -10.6, 7.0}, {71.7, -11.6, 7.6},   // ..730
    {77.0, -12.2, 8.0}, {65.2, -10.2, 6.7}, {47.7, -7.8, 5.2}, {68.6, -11.2, 7.4},
    {65.0, -10.4, 6.8}, {66.0, -10.6, 7.0}, {61.0, -9.7, 6.4}, {53.3, -8.3, 5.5},     // 780..810
    {58.9, -9.3, 6.1}, {61.9, -9.8, 6.5},                                             // 820, 830
};
// clang-format on

double Round3(double v) { return std::round(v * 1000.0) / 1000.0; }

Spectrum1nm NormalisedAt560(Spectrum1nm s) {
    const double at560 = s[560 - COLOUR_START_NM];
    if (at560 > 0)
        for (double& v : s) v = v / at560 * 100.0;
    return s;
}

}  // namespace

double PlanckRelative(double lambdaNm, double kelvin) {
    const double l = lambdaNm * 1e-9;
    return 1.0 / (l * l * l * l * l * std::expm1(PLANCK_C2 / (l * kelvin)));
}

Spectrum1nm PlanckSpectrum(double kelvin) {
    Spectrum1nm s{};
    for (int i = 0; i < COLOUR_POINTS; ++i)
        s[static_cast<size_t>(i)] = PlanckRelative(COLOUR_START_NM + i, kelvin);
    return NormalisedAt560(s);
}

Spectrum1nm IlluminantA() {
    // CIE 15's defining formula, with its own c2 of 1.435e-2 m*K.
    Spectrum1nm s{};
    const double c = 1.435e7;  // c2 in nm*K
    for (int i = 0; i < COLOUR_POINTS; ++i) {
        const double l = COLOUR_START_NM + i;
        s[static_cast<size_t>(i)] = 100.0 * std::pow(560.0 / l, 5) *
                                    std::expm1(c / (2848.0 * 560.0)) / std::expm1(c / (2848.0 * l));
    }
    return s;
}

DaylightLocus DaylightChromaticity(double cct) {
    const double t = cct;
    const double t2 = t * t, t3 = t2 * t;
    DaylightLocus d;
    d.x = t <= 7000 ? -4.6070e9 / t3 + 2.9678e6 / t2 + 0.09911e3 / t + 0.244063
                    : -2.0064e9 / t3 + 1.9018e6 / t2 + 0.24748e3 / t + 0.237040;
    d.y = -3.000 * d.x * d.x + 2.870 * d.x - 0.275;
    return d;
}

Spectrum1nm DaylightSpectrum(double cct, bool roundFactors) {
    const DaylightLocus d = DaylightChromaticity(cct);
    const double m = 0.0241 + 0.2562 * d.x - 0.7341 * d.y;
    double m1 = (-1.3515 - 1.7703 * d.x + 5.9114 * d.y) / m;
    double m2 = (0.0300 - 31.4424 * d.x + 30.0717 * d.y) / m;
    if (roundFactors) {
        m1 = Round3(m1);
        m2 = Round3(m2);
    }
    // The components are tabulated every 10 nm; CIE 15 takes values between
    // them by straight lines, so the spectrum is built at 10 nm and joined
    // linearly.
    Spectrum1nm s{};
    for (int i = 0; i < COLOUR_POINTS; ++i) {
        const int row = i / 10;
        const double f = (i % 10) / 10.0;
        const DaylightRow& a = kDaylight[row];
        const DaylightRow& b = kDaylight[row + 1 < kDaylightRows ? row + 1 : row];
        const double va = a.s0 + m1 * a.s1 + m2 * a.s2;
        const double vb = b.s0 + m1 * b.s1 + m2 * b.s2;
        s[static_cast<size_t>(i)] = va + (vb - va) * f;
    }
    return NormalisedAt560(s);
}

const Spectrum1nm& IlluminantD65() {
    static const Spectrum1nm s = DaylightSpectrum(6500.0 * 1.4388 / 1.4380, true);
    return s;
}

const Spectrum1nm& IlluminantD50() {
    static const Spectrum1nm s = DaylightSpectrum(5000.0 * 1.4388 / 1.4380, true);
    return s;
}

const Spectrum1nm& IlluminantE() {
    static const Spectrum1nm s = [] {
        Spectrum1nm e;
        e.fill(100.0);
        return e;
    }();
    return s;
}

}  // namespace vmf
