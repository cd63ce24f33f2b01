#include "spectrum/ColourGrid.h"

#include <vector>

#include "spectrum/CieObserver.h"

namespace vmf {

static_assert(CIE_START_NM == COLOUR_START_NM);
static_assert(CIE_START_NM + CIE_STEP_NM * (CIE_ROWS - 1) == COLOUR_END_NM);

void SpragueInterpolate(const double* values, int n, int step, double* out) {
    // Two extra points on each side (CIE 167 boundary coefficients, /209).
    std::vector<double> p(static_cast<size_t>(n) + 4);
    for (int i = 0; i < n; ++i) p[static_cast<size_t>(i) + 2] = values[i];
    auto v = [&](int i) { return values[i]; };
    auto w = [&](int i) { return values[n - 1 - i]; };
    p[0] = (884 * v(0) - 1960 * v(1) + 3033 * v(2) - 2648 * v(3) + 1080 * v(4) - 180 * v(5)) / 209;
    p[1] = (508 * v(0) - 540 * v(1) + 488 * v(2) - 367 * v(3) + 144 * v(4) - 24 * v(5)) / 209;
    p[static_cast<size_t>(n) + 2] =
        (508 * w(0) - 540 * w(1) + 488 * w(2) - 367 * w(3) + 144 * w(4) - 24 * w(5)) / 209;
    p[static_cast<size_t>(n) + 3] =
        (884 * w(0) - 1960 * w(1) + 3033 * w(2) - 2648 * w(3) + 1080 * w(4) - 180 * w(5)) / 209;

    for (int i = 0; i + 1 < n; ++i) {
        // The quintic through p[i-2..i+3] on the interval from point i to i+1.
        const double* q = &p[static_cast<size_t>(i)];  // q[2] is point i
        const double a0 = q[2];
        const double a1 = (2 * q[0] - 16 * q[1] + 16 * q[3] - 2 * q[4]) / 24;
        const double a2 = (-q[0] + 16 * q[1] - 30 * q[2] + 16 * q[3] - q[4]) / 24;
        const double a3 =
            (-9 * q[0] + 39 * q[1] - 70 * q[2] + 66 * q[3] - 33 * q[4] + 7 * q[5]) / 24;
        const double a4 =
            (13 * q[0] - 64 * q[1] + 126 * q[2] - 124 * q[3] + 61 * q[4] - 12 * q[5]) / 24;
        const double a5 =
            (-5 * q[0] + 25 * q[1] - 50 * q[2] + 50 * q[3] - 25 * q[4] + 5 * q[5]) / 24;
        for (int k = 0; k < step; ++k) {
            const double x = static_cast<double>(k) / step;
            out[i * step + k] = a0 + x * (a1 + x * (a2 + x * (a3 + x * (a4 + x * a5))));
        }
    }
    out[(n - 1) * step] = values[n - 1];
}

const ColourObserver& ObserverAt1nm() {
    static const ColourObserver observer = [] {
        ColourObserver o;
        std::array<double, CIE_ROWS> x{}, y{}, z{};
        for (int i = 0; i < CIE_ROWS; ++i) {
            x[static_cast<size_t>(i)] = kCie1931[static_cast<size_t>(i)].xbar;
            y[static_cast<size_t>(i)] = kCie1931[static_cast<size_t>(i)].ybar;
            z[static_cast<size_t>(i)] = kCie1931[static_cast<size_t>(i)].zbar;
        }
        SpragueInterpolate(x.data(), CIE_ROWS, CIE_STEP_NM, o.xbar.data());
        SpragueInterpolate(y.data(), CIE_ROWS, CIE_STEP_NM, o.ybar.data());
        SpragueInterpolate(z.data(), CIE_ROWS, CIE_STEP_NM, o.zbar.data());
        // z-bar is exactly 0 from 650 nm on; the quintic would ripple around
        // that, and a colour-matching function is never negative.
        for (auto* f : {&o.xbar, &o.ybar, &o.zbar})
            for (double& v : *f)
                if (v < 0) v = 0;
        return o;
    }();
    return observer;
}

Xyz Tristimulus(const Spectrum1nm& s) {
    const ColourObserver& o = ObserverAt1nm();
    Xyz r;
    for (int i = 0; i < COLOUR_POINTS; ++i) {
        const size_t k = static_cast<size_t>(i);
        r.X += s[k] * o.xbar[k];
        r.Y += s[k] * o.ybar[k];
        r.Z += s[k] * o.zbar[k];
    }
    return r;
}

Xyz Tristimulus(const Spectrum1nm& s, const Spectrum1nm& w) {
    const ColourObserver& o = ObserverAt1nm();
    Xyz r;
    for (int i = 0; i < COLOUR_POINTS; ++i) {
        const size_t k = static_cast<size_t>(i);
        const double sw = s[k] * w[k];
        r.X += sw * o.xbar[k];
        r.Y += sw * o.ybar[k];
        r.Z += sw * o.zbar[k];
    }
    return r;
}

}  // namespace vmf
