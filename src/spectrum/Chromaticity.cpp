#include "spectrum/Chromaticity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

namespace vmf {

namespace {

constexpr int kLocusFirstNm = 380;
constexpr int kLocusPoints = 401;  // 380..780 nm

struct Point {
    double x = 0, y = 0;
};

const std::array<Point, kLocusPoints>& Locus() {
    static const std::array<Point, kLocusPoints> locus = [] {
        std::array<Point, kLocusPoints> p{};
        const ColourObserver& o = ObserverAt1nm();
        for (int i = 0; i < kLocusPoints; ++i) {
            const size_t k = static_cast<size_t>(kLocusFirstNm - COLOUR_START_NM + i);
            const double sum = o.xbar[k] + o.ybar[k] + o.zbar[k];
            p[static_cast<size_t>(i)] = {o.xbar[k] / sum, o.ybar[k] / sum};
        }
        return p;
    }();
    return locus;
}

double Cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }

// Past its reddest point (largest x, at 702 nm) the locus folds back on
// itself: every point from there to 780 nm lies within about 1e-5 of it, the
// observer table's rounding. A ray into that knot has no meaningful
// wavelength (nor, meeting the purple line's end there, a complementary
// one): whatever meets the boundary within the knot's radius of the fold is
// the locus end.
struct Fold {
    int index = kLocusPoints - 1;
    double radius = 0;
};

const Fold& LocusFold() {
    static const Fold fold = [] {
        const auto& locus = Locus();
        Fold f;
        for (int i = 0; i < kLocusPoints; ++i)
            if (locus[static_cast<size_t>(i)].x > locus[static_cast<size_t>(f.index)].x)
                f.index = i;
        const Point end = locus[static_cast<size_t>(f.index)];
        for (int i = f.index; i < kLocusPoints; ++i) {
            const Point p = locus[static_cast<size_t>(i)];
            f.radius = std::max(f.radius, std::hypot(p.x - end.x, p.y - end.y));
        }
        return f;
    }();
    return fold;
}

struct Hit {
    double t = std::numeric_limits<double>::infinity();  // ray parameter
    double nm = 0;
    bool purple = false;
    Point at;
};

// The nearest crossing (t > 0) of the ray w + t d with the segment a-b.
void TrySegment(Point w, Point d, Point a, Point b, double nmA, bool purple, Hit& best) {
    const Point e{b.x - a.x, b.y - a.y};
    const double den = Cross(d, e);
    if (den == 0) return;
    const Point r{a.x - w.x, a.y - w.y};
    const double t = Cross(r, e) / den;
    const double s = Cross(r, d) / den;
    if (t <= 0 || s < 0 || s > 1 || t >= best.t) return;
    best.t = t;
    best.nm = nmA + s;
    best.purple = purple;
    best.at = {a.x + s * e.x, a.y + s * e.y};
}

Hit Cast(Point w, Point d, bool withPurple) {
    const auto& locus = Locus();
    Hit best;
    for (int i = 0; i + 1 < kLocusPoints; ++i)
        TrySegment(w, d, locus[static_cast<size_t>(i)], locus[static_cast<size_t>(i) + 1],
                   kLocusFirstNm + i, false, best);
    if (withPurple) TrySegment(w, d, locus.back(), locus.front(), 0, true, best);
    return best;
}

}  // namespace

void XyToUv(double x, double y, double& u, double& v) {
    const double den = -2.0 * x + 12.0 * y + 3.0;
    u = 4.0 * x / den;
    v = 6.0 * y / den;
}

Chromaticity ChromaticityOf(const Xyz& t) {
    Chromaticity c;
    const double sum = t.X + t.Y + t.Z;
    c.x = t.X / sum;
    c.y = t.Y / sum;
    const double den = t.X + 15.0 * t.Y + 3.0 * t.Z;
    c.u = 4.0 * t.X / den;
    c.v = 6.0 * t.Y / den;
    c.up = c.u;
    c.vp = 1.5 * c.v;
    return c;
}

DominantWavelength DominantWavelengthOf(double x, double y, double wx, double wy) {
    DominantWavelength out;
    const Point w{wx, wy};
    const Point d{x - wx, y - wy};
    const double len = std::hypot(d.x, d.y);
    if (!(len > 1e-9)) return out;  // on the white point (or NaN): no hue
    const Hit hit = Cast(w, d, true);
    if (!std::isfinite(hit.t)) return out;
    out.found = true;
    out.purity = 1.0 / hit.t;  // |w->colour| / |w->boundary|, as d spans w->colour
    const Point red = Locus()[static_cast<size_t>(LocusFold().index)];
    if (std::hypot(hit.at.x - red.x, hit.at.y - red.y) <= LocusFold().radius) {
        out.nm = kLocusFirstNm + LocusFold().index;
        out.locusEnd = true;
        return out;
    }
    if (!hit.purple) {
        out.nm = hit.nm;
        return out;
    }
    const Hit back = Cast(w, {-d.x, -d.y}, false);
    if (!std::isfinite(back.t)) {
        out.found = false;
        return out;
    }
    out.complementary = true;
    out.nm = back.nm;
    return out;
}

}  // namespace vmf
