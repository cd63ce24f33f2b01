#include "spectrum/PlanckianCct.h"

#include <cmath>
#include <vector>

#include "spectrum/ColourGrid.h"
#include "spectrum/Illuminants.h"

namespace vmf {

namespace {

constexpr double kTableFirstK = 990.0;    // a step or so beyond each end, so the
constexpr double kTableLastK = 101000.0;  // neighbours of an end point exist
constexpr double kTableRatio = 1.001;
constexpr int kCoarseStride = 16;
constexpr double kTriangularLimit = 0.002;

struct LocusPoint {
    double t, u, v;
};

const std::vector<LocusPoint>& Table() {
    static const std::vector<LocusPoint> table = [] {
        std::vector<LocusPoint> p;
        for (double t = kTableFirstK; t <= kTableLastK * kTableRatio; t *= kTableRatio) {
            LocusPoint q{t, 0, 0};
            PlanckianUv(t, q.u, q.v);
            p.push_back(q);
        }
        return p;
    }();
    return table;
}

double Distance(const LocusPoint& p, double u, double v) { return std::hypot(u - p.u, v - p.v); }

// The search compares squares: the root is only needed for the solutions.
double Distance2(const LocusPoint& p, double u, double v) {
    return (u - p.u) * (u - p.u) + (v - p.v) * (v - p.v);
}

double Sign(double x) { return x < 0 ? -1.0 : 1.0; }

}  // namespace

void PlanckianUv(double kelvin, double& u, double& v) {
    const ColourObserver& o = ObserverAt1nm();
    double X = 0, Y = 0, Z = 0;
    for (int i = 0; i < COLOUR_POINTS; ++i) {
        const size_t k = static_cast<size_t>(i);
        const double m = PlanckRelative(COLOUR_START_NM + i, kelvin);
        X += m * o.xbar[k];
        Y += m * o.ybar[k];
        Z += m * o.zbar[k];
    }
    const double den = X + 15.0 * Y + 3.0 * Z;
    u = 4.0 * X / den;
    v = 6.0 * Y / den;
}

CctResult CctFromUv(double u, double v) {
    CctResult r;
    if (!std::isfinite(u) || !std::isfinite(v)) return r;
    const std::vector<LocusPoint>& table = Table();
    const int n = static_cast<int>(table.size());

    // Cascade: every 16th point first, then every point around the best one.
    int best = 0;
    double bestD = Distance2(table[0], u, v);
    for (int i = kCoarseStride; i < n; i += kCoarseStride) {
        const double d = Distance2(table[static_cast<size_t>(i)], u, v);
        if (d < bestD) {
            bestD = d;
            best = i;
        }
    }
    const int lo = best - kCoarseStride < 0 ? 0 : best - kCoarseStride;
    const int hi = best + kCoarseStride >= n ? n - 1 : best + kCoarseStride;
    for (int i = lo; i <= hi; ++i) {
        const double d = Distance2(table[static_cast<size_t>(i)], u, v);
        if (d < bestD) {
            bestD = d;
            best = i;
        }
    }
    if (best == 0 || best == n - 1) {
        r.outcome = CctOutcome::OutOfRange;
        return r;
    }

    const LocusPoint& p0 = table[static_cast<size_t>(best) - 1];
    const LocusPoint& p1 = table[static_cast<size_t>(best)];
    const LocusPoint& p2 = table[static_cast<size_t>(best) + 1];
    const double d0 = Distance(p0, u, v), d1 = Distance(p1, u, v), d2 = Distance(p2, u, v);

    // Triangular solution.
    const double l = std::hypot(p2.u - p0.u, p2.v - p0.v);
    const double x = (d0 * d0 - d2 * d2 + l * l) / (2.0 * l);
    double t = p0.t + (p2.t - p0.t) * x / l;
    const double vAtT = p0.v + (p2.v - p0.v) * x / l;
    const double h2 = d0 * d0 - x * x;
    double duv = Sign(v - vAtT) * std::sqrt(h2 > 0 ? h2 : 0.0);

    if (std::fabs(duv) >= kTriangularLimit) {
        // Parabolic solution: d as a quadratic in T through the three points.
        const double X = (p2.t - p1.t) * (p0.t - p2.t) * (p1.t - p0.t);
        const double a = (p0.t * (d2 - d1) + p1.t * (d0 - d2) + p2.t * (d1 - d0)) / X;
        const double b =
            -(p0.t * p0.t * (d2 - d1) + p1.t * p1.t * (d0 - d2) + p2.t * p2.t * (d1 - d0)) / X;
        const double c = -(d0 * (p2.t - p1.t) * p1.t * p2.t + d1 * (p0.t - p2.t) * p0.t * p2.t +
                           d2 * (p1.t - p0.t) * p0.t * p1.t) /
                         X;
        t = -b / (2.0 * a);
        duv = Sign(v - vAtT) * (a * t * t + b * t + c);
    }

    if (!std::isfinite(t) || t < CCT_MIN_K || t > CCT_MAX_K) {
        r.outcome = CctOutcome::OutOfRange;
        return r;
    }
    if (std::fabs(duv) > DUV_LIMIT) {
        r.outcome = CctOutcome::FarFromLocus;
        r.cct = t;
        r.duv = duv;
        return r;
    }
    r.outcome = CctOutcome::Ok;
    r.cct = t;
    r.duv = duv;
    return r;
}

}  // namespace vmf
