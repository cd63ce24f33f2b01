// Colour values against published numbers: CIE 15 chromaticities and white
// points, CIE 15 D65, the correlated colour temperatures and colour rendering
// of the CIE illuminants (A, D65, F2), and Sharma, Wu and Dalal's CIEDE2000
// test pairs.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "spectrum/ColourValues.h"
#include "spectrum/Illuminants.h"

namespace vmf {
namespace {

ColourInput OnGrid(const Spectrum1nm& s) {
    return {COLOUR_START_NM, std::vector<double>(s.begin(), s.end())};
}

Chromaticity ChromaticityOfLight(const Spectrum1nm& s) { return ChromaticityOf(Tristimulus(s)); }

TEST(ColourScience, IlluminantChromaticitiesMatchCie15) {
    // CIE 15, chromaticity coordinates of the CIE illuminants (2-degree observer).
    struct Case {
        const char* name;
        Spectrum1nm light;
        double x, y, tolerance;
    };
    const Case cases[] = {
        {"A", IlluminantA(), 0.44757, 0.40745, 5e-5},
        {"D65", IlluminantD65(), 0.31271, 0.32902, 5e-5},
        {"D50", IlluminantD50(), 0.34567, 0.35850, 1e-4},
        {"D75", DaylightSpectrum(7500 * 1.4388 / 1.4380, true), 0.29902, 0.31485, 1e-4},
    };
    for (const Case& c : cases) {
        const Chromaticity got = ChromaticityOfLight(c.light);
        EXPECT_NEAR(got.x, c.x, c.tolerance) << c.name;
        EXPECT_NEAR(got.y, c.y, c.tolerance) << c.name;
    }
}

TEST(ColourScience, D65EqualsTheCieTableAndItsWhitePoint) {
    // CIE 15 / ISO 11664-2 D65 relative spectral power, every 50 nm or so.
    const std::pair<int, double> published[] = {
        {380, 49.9755}, {400, 82.7549}, {450, 117.008}, {500, 109.354}, {560, 100.0},
        {600, 90.0062}, {650, 80.0268}, {700, 71.6091}, {780, 63.3828},
    };
    for (auto [nm, value] : published)
        EXPECT_NEAR(IlluminantD65()[static_cast<size_t>(nm - COLOUR_START_NM)], value, 1e-3) << nm;
    // White points with Y = 100 (ASTM E308 / CIE 15, 1-nm sums).
    const Xyz d65 = Tristimulus(IlluminantD65());
    EXPECT_NEAR(100 * d65.X / d65.Y, 95.047, 0.01);
    EXPECT_NEAR(100 * d65.Z / d65.Y, 108.883, 0.01);
    const Xyz d50 = Tristimulus(IlluminantD50());
    EXPECT_NEAR(100 * d50.X / d50.Y, 96.422, 0.01);
    EXPECT_NEAR(100 * d50.Z / d50.Y, 82.521, 0.01);
}

TEST(ColourScience, CctDuvAndRenderingOfCieIlluminants) {
    const ColourValues a = LightSourceValuesOf(OnGrid(IlluminantA()));
    ASSERT_EQ(a.cctRefusal, ColourRefusal::None);
    EXPECT_NEAR(a.cct, 2856, 1);
    EXPECT_NEAR(a.duv, 0, 0.0005);
    ASSERT_EQ(a.criRefusal, ColourRefusal::None);
    EXPECT_GE(a.ra, 99);

    const ColourValues d65 = LightSourceValuesOf(OnGrid(IlluminantD65()));
    ASSERT_EQ(d65.cctRefusal, ColourRefusal::None);
    EXPECT_NEAR(d65.cct, 6504, 2);
    EXPECT_NEAR(d65.ra, 100, 0.5);
    for (double r : d65.r) EXPECT_NEAR(r, 100, 1);
    // D65 lies 0.0032 above the locus (CIE 15 / Ohno 2013).
    EXPECT_NEAR(d65.duv, 0.0032, 0.0001);
}

TEST(ColourScience, RenderingOfFluorescentF2MatchesCie15) {
    // CIE 15 illuminant F2 (cool white fluorescent), every 5 nm from 380 to 780 nm.
    const double f2[] = {
        1.18,  1.48,  1.84,  2.15,  3.44,  15.69, 3.85,  3.74,  4.19,  4.62,  5.06,  34.98,
        11.81, 6.27,  6.63,  6.93,  7.19,  7.40,  7.54,  7.62,  7.65,  7.62,  7.62,  7.45,
        7.28,  7.15,  7.05,  7.04,  7.16,  7.47,  8.04,  8.88,  10.01, 24.88, 16.64, 14.59,
        16.16, 17.56, 18.62, 21.47, 22.79, 19.29, 18.66, 17.73, 16.54, 15.21, 13.80, 12.36,
        10.95, 9.65,  8.40,  7.32,  6.31,  5.43,  4.68,  4.02,  3.45,  2.96,  2.55,  2.19,
        1.89,  1.64,  1.53,  1.27,  1.10,  0.99,  0.88,  0.76,  0.68,  0.61,  0.56,  0.54,
        0.51,  0.47,  0.47,  0.43,  0.46,  0.47,  0.40,  0.33,  0.27,
    };
    // Read at 1 nm by straight lines, as a "wavelength,value" file is.
    ColourInput in{380, {}};
    for (int i = 0; i + 1 < 81; ++i)
        for (int k = 0; k < 5; ++k) in.values.push_back(f2[i] + (f2[i + 1] - f2[i]) * k / 5.0);
    in.values.push_back(f2[80]);
    const ColourValues v = LightSourceValuesOf(in);
    EXPECT_NEAR(v.chroma.x, 0.37208, 5e-5);
    EXPECT_NEAR(v.chroma.y, 0.37529, 5e-5);
    EXPECT_NEAR(v.cct, 4230, 10);  // published to 10 K
    ASSERT_EQ(v.criRefusal, ColourRefusal::None);
    EXPECT_NEAR(v.ra, 64, 0.5);
    const double r[] = {56, 77, 90, 57, 59, 67, 74, 33, -84, 45, 46, 54, 60, 94};
    for (int i = 0; i < 14; ++i)
        EXPECT_NEAR(v.r[static_cast<size_t>(i)], r[i], 1.0) << "R" << i + 1;
}

TEST(ColourScience, PlanckianRadiatorsSitOnTheLocusAcrossTheRange) {
    for (double t : {1200.0, 2000.0, 3500.0, 10000.0, 40000.0, 90000.0}) {
        const ColourTrendPoint p = TrendPointOf(OnGrid(PlanckSpectrum(t)), false);
        ASSERT_EQ(p.cctRefusal, ColourRefusal::None) << t;
        EXPECT_NEAR(p.cct / t, 1.0, 1e-5) << t;
        EXPECT_NEAR(p.duv, 0, 1e-5) << t;
    }
    EXPECT_EQ(TrendPointOf(OnGrid(PlanckSpectrum(900)), true).cctRefusal,
              ColourRefusal::OutOfRange);
    EXPECT_EQ(TrendPointOf(OnGrid(PlanckSpectrum(200000)), true).cctRefusal,
              ColourRefusal::OutOfRange);
    // Above 25000 K CIE daylight, the reference, is not defined.
    EXPECT_EQ(TrendPointOf(OnGrid(PlanckSpectrum(40000)), true).criRefusal,
              ColourRefusal::NoReference);
}

TEST(ColourScience, ObserverAt1nmKeepsThePublishedPoints) {
    // Sprague's interpolation passes through every tabulated point and, away
    // from the two ends, reproduces any polynomial up to the fourth degree.
    const ColourObserver& o = ObserverAt1nm();
    EXPECT_DOUBLE_EQ(o.xbar[555 - COLOUR_START_NM], 0.5120501f);
    EXPECT_DOUBLE_EQ(o.ybar[555 - COLOUR_START_NM], 1.0);
    EXPECT_DOUBLE_EQ(o.zbar[440 - COLOUR_START_NM], 1.74706f);
    double p[12], out[56];
    for (int i = 0; i < 12; ++i) p[i] = 0.5 * std::pow(i, 4) - 3.0 * std::pow(i, 3) + i - 2.0;
    SpragueInterpolate(p, 12, 5, out);
    for (int k = 10; k <= 45; ++k) {
        const double x = k / 5.0;
        EXPECT_NEAR(out[k], 0.5 * std::pow(x, 4) - 3.0 * std::pow(x, 3) + x - 2.0, 1e-9) << k;
    }
}

TEST(ColourScience, DuvSignFollowsTheSideOfTheLocus) {
    // Adding green lifts a 4000 K blackbody above the locus, adding violet
    // and red (magenta) pulls it below.
    auto with = [](double greenWeight, double magentaWeight) {
        Spectrum1nm s = PlanckSpectrum(4000);
        for (int i = 0; i < COLOUR_POINTS; ++i) {
            const double nm = COLOUR_START_NM + i;
            s[static_cast<size_t>(i)] +=
                greenWeight * std::exp(-0.5 * std::pow((nm - 530) / 15, 2)) +
                magentaWeight * (std::exp(-0.5 * std::pow((nm - 440) / 15, 2)) +
                                 std::exp(-0.5 * std::pow((nm - 640) / 15, 2)));
        }
        return TrendPointOf(OnGrid(s), false);
    };
    EXPECT_GT(with(20, 0).duv, 0.002);
    EXPECT_LT(with(0, 20).duv, -0.002);
    EXPECT_EQ(with(400, 0).cctRefusal, ColourRefusal::FarFromLocus);
}

TEST(ColourScience, Ciede2000MatchesSharmaTestPairs) {
    std::ifstream in(SPECTRUM_TEST_DATA "/ciede2000_sharma2005.csv");
    ASSERT_TRUE(in) << "test data missing";
    std::string line;
    std::getline(in, line);
    int pairs = 0;
    while (std::getline(in, line)) {
        std::stringstream ss(line);
        double v[7];
        char comma;
        ss >> v[0];
        for (int i = 1; i < 7; ++i) ss >> comma >> v[i];
        const Lab p{v[0], v[1], v[2]}, q{v[3], v[4], v[5]};
        EXPECT_NEAR(DeltaE2000(p, q), v[6], 5e-5) << "pair " << pairs + 1;
        EXPECT_NEAR(DeltaE2000(q, p), v[6], 5e-5) << "pair " << pairs + 1 << " reversed";
        ++pairs;
    }
    EXPECT_EQ(pairs, 33);
}

}  // namespace
}  // namespace vmf
