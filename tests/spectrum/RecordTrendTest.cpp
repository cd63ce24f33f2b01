// A trend point is the info line's values for its record, bit for bit: the
// one-pass computation against the panel's own route (ApplyBrackets, the
// first-highest peak, ComputeStatistics, ComputeColour) over spectra with
// negative values, signed zeros, NaN and infinities, on rising and on
// unordered channel wavelengths.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

#include "SpectrumTestDoc.h"
#include "spectrum/ColourRecord.h"
#include "spectrum/GridResampler.h"
#include "spectrum/RecordTrend.h"

namespace vmf {
namespace {

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

// The panel's route for record r of head a, through a workspace of its own.
TrendPoint PanelRoute(const Cvarnello_mfDoc& doc, int a, int r, int graphMax) {
    SpectrumWorkspace ws;
    GridBrackets b;
    FindBrackets(doc.wavelengthNm[a].data(), doc.channelCount[a], b);
    auto& g = ws.displaySpectrum[a];
    ApplyBrackets(b, doc.recProcessed(a, r), doc.wavelengthNm[a].data(), g.data());
    int best = 0;
    for (int k = 1; k < GRID_POINTS; ++k)
        if (g[k] > g[best]) best = k;
    ws.ComputeStatistics(a, graphMax);
    ws.ComputeColour(a, a);
    TrendPoint p;
    p.v = {GRID_START_NM + best + 0.0,
           g[best],
           ws.statistics[a].average,
           ws.statistics[a].minimum,
           ws.statistics[a].maximum,
           doc.recTemperatureC(a, r),
           double(doc.recExposureUs(a, r)),
           ws.colour[a].x,
           ws.colour[a].y};
    return p;
}

TEST(RecordTrend, PointsAreThePanelsValuesBitForBit) {
    auto doc = test::MakeDoc(2, 200);
    // Head 1's wavelengths fall in places, so its intervals come from the scan.
    for (int c = 0; c < 200; ++c)
        doc->wavelengthNm[1][c] = 300.0f + 2.7f * c + (c % 7 == 3 ? -9.0f : 0.0f);
    std::mt19937 rng(15);
    std::uniform_real_distribution<float> value(-500.0f, 70000.0f);
    const float specials[] = {0.0f,
                              -0.0f,
                              std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -1e30f,
                              8192.0f};
    constexpr int kRecords = 300;
    for (int a = 0; a < 2; ++a)
        for (int r = 0; r < kRecords; ++r) {
            test::FillRecord(*doc, a, r, 1000 + r, [](int) { return 0.0f; });
            doc->recTemperatureC(a, r) = 20.0f + r;
            float* p = doc->recProcessed(a, r);
            for (int c = 0; c < 200; ++c) {
                // Every tenth record flat (ties everywhere), others with a few
                // special values sprinkled in.
                p[c] = r % 10 == 0 ? (r % 20 == 0 ? -0.0f : 3.0f) : value(rng);
                if (r % 10 != 0 && rng() % 40 == 0) p[c] = specials[rng() % 6];
            }
            doc->recordCount[a] = kRecords;
        }
    for (int graphMax : {8192, 0}) {
        for (int a = 0; a < 2; ++a) {
            const auto points = ComputeHeadTrend(*doc, a, TrendOptions{graphMax, false, false});
            ASSERT_EQ(points.size(), size_t{kRecords});
            for (int r = 0; r < kRecords; ++r) {
                const TrendPoint want = PanelRoute(*doc, a, r, graphMax);
                for (int t = 0; t <= static_cast<int>(TrendValue::InfoCieY); ++t)
                    EXPECT_EQ(Bits(points[size_t(r)].v[size_t(t)]), Bits(want.v[size_t(t)]))
                        << "head " << a << " record " << r << " value "
                        << TrendValues()[size_t(t)].key;
            }
        }
    }
}

// The trend's CCT and Duv straight from the grid equal the colour window's
// route through a copied spectrum, refusals included: smooth and noisy
// lights, NaN, dark, a head that misses 380..780 nm and one that covers none.
TEST(RecordTrend, GridCctEqualsTheColourRouteBitForBit) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-500.0f, 70000.0f);
    struct Head {
        float firstNm, stepNm;
    };
    for (const Head head : {Head{330.0f, 2.0f}, Head{400.0f, 1.0f}, Head{900.0f, 1.0f}}) {
        std::array<float, MAX_CHANNELS> wl{};
        for (int c = 0; c < MAX_CHANNELS; ++c) wl[c] = head.firstNm + head.stepNm * c;
        GridBrackets b;
        FindBrackets(wl.data(), MAX_CHANNELS, b);
        const GridColourSpan span = ColourSpanOf(b);
        for (int n = 0; n < 60; ++n) {
            std::array<float, GRID_POINTS> grid{};
            for (int k = 0; k < GRID_POINTS; ++k) {
                if (b.lower[k] < 0) continue;
                const double nm = GRID_START_NM + k;
                grid[k] = n % 4 == 0   ? static_cast<float>(1e4 * std::exp(-(nm - 450 - 5 * n) *
                                                                           (nm - 450 - 5 * n) / 8000))
                          : n % 4 == 1 ? noise(rng)
                          : n % 4 == 2 ? -1.0f
                                       : 100.0f;
            }
            if (n % 15 == 7 && span.first >= 0) grid[span.first + 60] = std::nanf("");
            const ColourTrendPoint want = TrendPointOf(GridColourInput(grid, b), false);
            const ColourTrendPoint got = GridCctTrendPoint(grid, span);
            ASSERT_EQ(got.cctRefusal, want.cctRefusal) << head.firstNm << " " << n;
            ASSERT_EQ(got.criRefusal, want.criRefusal);
            ASSERT_EQ(Bits(got.cct), Bits(want.cct));
            ASSERT_EQ(Bits(got.duv), Bits(want.duv));
        }
    }
}

}  // namespace
}  // namespace vmf
