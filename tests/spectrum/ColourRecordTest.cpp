// Colour values of recorded spectra and of odd input: the sample path through
// the white reference, the comparison difference, the refusals, the shape
// values, the pairs reader and the rows the window shows.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "spectrum/ColourText.h"
#include "spectrum/Illuminants.h"
#include "spectrum/SpectrumPairs.h"
#include "spectrum/SpectrumTestDoc.h"

namespace vmf {
namespace {

// A record whose processed counts equal `fraction` of the white reference.
struct SampleBench {
    std::unique_ptr<Cvarnello_mfDoc> doc = test::MakeDoc();
    SpectrumWorkspace ws;
    ProcessingOptions opt{MeasuringMethod::Reflectance, false};

    explicit SampleBench(float fraction) {
        for (int c = 0; c < MAX_CHANNELS; ++c) doc->whiteRef[0][c] = 2000.0f;
        doc->whiteRef[0][MAX_CHANNELS] = 1000.0f;  // reference exposure
        test::FillRecord(*doc, 0, 0, 1000, [&](int) { return 2000.0f * fraction; });
        doc->recordCount[0] = 1;
        ws.ProcessRecord(*doc, 0, 0, opt);
        ws.ResampleRecord(*doc, 0, 0, opt);
    }
    ColourRequest Request() const {
        ColourRequest q;
        q.doc = doc.get();
        q.ws = &ws;
        q.method = opt.method;
        return q;
    }
};

TEST(ColourRecord, SampleValuesAndDifferenceFromComparison) {
    const SampleBench white(1.0f), half(0.5f);
    ColourRequest q = white.Request();
    q.compare = half.doc.get();  // its stored record, ratioed against its own white
    const RecordColour rc = ColourOfDisplayed(q);
    ASSERT_EQ(rc.shown.refusal, ColourRefusal::None);
    // A perfect white is L* 100, a* = b* = 0 with the D65 white point Y = 100.
    EXPECT_NEAR(rc.shown.lab.L, 100.0, 1e-6);
    EXPECT_NEAR(rc.shown.lab.a, 0.0, 1e-6);
    EXPECT_NEAR(rc.shown.lab.b, 0.0, 1e-6);
    EXPECT_EQ(rc.shown.dominantRefusal, ColourRefusal::NoHue);
    // A neutral of Y = 50 has L* = 116 * 0.5^(1/3) - 16 = 76.0693.
    ASSERT_TRUE(rc.hasComparison);
    EXPECT_NEAR(rc.comparison.lab.L, 76.0693, 1e-4);
    ASSERT_EQ(rc.difference.refusal, ColourRefusal::None);
    EXPECT_NEAR(rc.difference.deltaEab, 100.0 - 76.0693, 1e-4);

    q.illuminant = SampleIlluminant::D50;
    EXPECT_NEAR(ColourOfDisplayed(q).shown.xyz.X, 96.422, 0.01);  // the D50 white
    q.compareRecord = 3;                                          // not in the comparison file
    EXPECT_EQ(ColourOfDisplayed(q).difference.refusal, ColourRefusal::NoSpectrum);
}

TEST(ColourRecord, RefusesWhatHasNoColour) {
    const SampleBench noReference(0.0f);
    EXPECT_EQ(ColourOfDisplayed(noReference.Request()).shown.refusal, ColourRefusal::Dark);
    ColourRequest q = noReference.Request();
    q.record = 1;
    EXPECT_EQ(ColourOfDisplayed(q).shown.refusal, ColourRefusal::NoSpectrum);
    q.head = 1;
    q.record = 0;
    EXPECT_EQ(ColourOfDisplayed(q).shown.refusal, ColourRefusal::NoSpectrum);

    const Spectrum1nm a = IlluminantA();
    ColourInput short_{400, std::vector<double>(a.begin() + 40, a.begin() + 341)};  // 400..700
    const ColourValues s = LightSourceValuesOf(short_);
    EXPECT_EQ(s.refusal, ColourRefusal::NotCovered);
    EXPECT_EQ(s.cctRefusal, ColourRefusal::NotCovered);
    EXPECT_EQ(s.shapeRefusal, ColourRefusal::None);  // its shape is still known
    EXPECT_EQ(s.shape.peakNm, 700);

    ColourInput nan{COLOUR_START_NM, std::vector<double>(a.begin(), a.end())};
    nan.values[200] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(LightSourceValuesOf(nan).refusal, ColourRefusal::NotANumber);
    EXPECT_EQ(LightSourceValuesOf(nan).shapeRefusal, ColourRefusal::NotANumber);
    ColourInput dark{COLOUR_START_NM, std::vector<double>(COLOUR_POINTS, 0.0)};
    EXPECT_EQ(LightSourceValuesOf(dark).refusal, ColourRefusal::Dark);
    EXPECT_EQ(TrendPointOf(dark, true).cctRefusal, ColourRefusal::Dark);
}

ColourInput Lines(std::initializer_list<std::pair<double, double>> lines) {
    ColourInput in{COLOUR_START_NM, std::vector<double>(COLOUR_POINTS, 0.0)};
    for (int i = 0; i < COLOUR_POINTS; ++i)
        for (auto [nm, sigma] : lines)
            in.values[static_cast<size_t>(i)] +=
                std::exp(-0.5 * std::pow((COLOUR_START_NM + i - nm) / sigma, 2));
    return in;
}

TEST(ColourRecord, ShapeAndDominantWavelength) {
    const ColourValues g = LightSourceValuesOf(Lines({{520.0, 10.0}}));
    EXPECT_EQ(g.shape.peakNm, 520);
    EXPECT_NEAR(g.shape.centroidNm, 520.0, 1e-6);
    EXPECT_NEAR(g.shape.fwhmNm, 2.0 * std::sqrt(2.0 * std::log(2.0)) * 10.0, 0.05);
    // A near-monochromatic line lies on the locus at its own wavelength.
    const ColourValues line = LightSourceValuesOf(Lines({{550.0, 1.0}}));
    ASSERT_EQ(line.dominantRefusal, ColourRefusal::None);
    EXPECT_NEAR(line.dominant.nm, 550.0, 0.5);
    EXPECT_GT(line.dominant.purity, 0.98);
    EXPECT_EQ(line.cctRefusal, ColourRefusal::FarFromLocus);
    // Violet plus red is a purple: only a complementary (green) wavelength.
    const ColourValues purple = LightSourceValuesOf(Lines({{440.0, 5.0}, {640.0, 5.0}}));
    ASSERT_EQ(purple.dominantRefusal, ColourRefusal::None);
    EXPECT_TRUE(purple.dominant.complementary);
    EXPECT_GT(purple.dominant.nm, 490.0);
    EXPECT_LT(purple.dominant.nm, 570.0);
}

TEST(ColourRecord, DeepRedStopsAtTheLocusFold) {
    for (double nm : {705.0, 730.0, 760.0, 780.0}) {
        const ColourValues red = LightSourceValuesOf(Lines({{nm, 1.0}}));
        ASSERT_EQ(red.dominantRefusal, ColourRefusal::None) << nm;
        EXPECT_EQ(red.dominant.nm, 702.0) << nm;
        EXPECT_TRUE(red.dominant.locusEnd) << nm;
        EXPECT_FALSE(red.dominant.complementary) << nm;
        RecordColour rc;
        rc.shown = red;
        const std::string rows = ColourRowsText(ColourRows(rc, 0, 0, MeasuringMethod::LightSource));
        EXPECT_NE(rows.find("\r\n主波長\t702 nm 以上（軌跡の端）\r\n"), std::string::npos) << rows;
    }
    const ColourValues orange = LightSourceValuesOf(Lines({{650.0, 1.0}}));
    EXPECT_NEAR(orange.dominant.nm, 650.0, 0.5);
    EXPECT_FALSE(orange.dominant.locusEnd);
}

TEST(ColourRecord, ExtremeValuesAreRefusedAndHugeReflectancesFlagged) {
    for (double v : {1e200, -1e200, 1e-200}) {
        const ColourInput flat{COLOUR_START_NM, std::vector<double>(COLOUR_POINTS, v)};
        EXPECT_EQ(LightSourceValuesOf(flat).refusal, ColourRefusal::BadMagnitude) << v;
        EXPECT_EQ(SampleValuesOf(flat, SampleIlluminant::D65).refusal, ColourRefusal::BadMagnitude)
            << v;
    }
    EXPECT_EQ(ColourRefusalCode(ColourRefusal::BadMagnitude), std::string("value-out-of-range"));
    ColourInput sample{COLOUR_START_NM, std::vector<double>(COLOUR_POINTS, 1000.0)};
    EXPECT_FALSE(SampleValuesOf(sample, SampleIlluminant::D65).outOfRange);
    sample.values[200] = 1000.5;
    const ColourValues flagged = SampleValuesOf(sample, SampleIlluminant::D65);
    EXPECT_TRUE(flagged.outOfRange);
    EXPECT_EQ(flagged.refusal, ColourRefusal::None);  // computed all the same
}

TEST(ColourRecord, ReadsWavelengthValuePairs) {
    ColourInput in;
    std::string error;
    ASSERT_TRUE(ParseSpectrumPairs("nm,W\r\n380, 1\r\n\r\n385;2\n390\t4\n", in, error)) << error;
    EXPECT_EQ(in.firstNm, 380);
    ASSERT_EQ(in.values.size(), 11u);
    EXPECT_DOUBLE_EQ(in.values[2], 1.4);
    EXPECT_DOUBLE_EQ(in.values[10], 4.0);
    EXPECT_FALSE(ParseSpectrumPairs("380,1\n392,2\n", in, error));
    EXPECT_EQ(error, "line 2: wavelengths must rise by 1 to 10 nm (step 12 nm)");
    EXPECT_FALSE(ParseSpectrumPairs("380,1\n381,x\n", in, error));
    EXPECT_EQ(error, "line 2: expected \"wavelength,value\"");
    EXPECT_EQ(in.firstNm, 380);  // left as it was
    ASSERT_TRUE(ParseSpectrumPairs("380,nan\n381,1\n", in, error));
    EXPECT_EQ(LightSourceValuesOf(in).refusal, ColourRefusal::NotANumber);
    // A byte-order mark is not taken for a header row: the first row stays.
    ASSERT_TRUE(
        ParseSpectrumPairs("\xEF\xBB\xBF"
                           "375,1\n380,2\n",
                           in, error))
        << error;
    EXPECT_EQ(in.firstNm, 375);
}

TEST(ColourRecord, WindowRowsSayWhyValuesAreMissing) {
    const SampleBench noReference(0.0f);
    const RecordColour rc = ColourOfDisplayed(noReference.Request());
    EXPECT_EQ(ColourRowsText(ColourRows(rc, 0, 0, MeasuringMethod::Reflectance)),
              "ヘッド / 記録\t1 / 1\r\n"
              "計測方法\t反射（D65, 2° 視野）\r\n"
              "CIE 値\t比率がすべて0以下です（ホワイト設定・100%透過設定を確認してください）\r\n"
              "ピーク波長\t暗いスペクトルのため計算できません\r\n"
              "重心波長\t暗いスペクトルのため計算できません\r\n"
              "半値全幅 FWHM\t暗いスペクトルのため計算できません\r\n");
    ColourRequest none;
    none.head = -1;
    EXPECT_EQ(
        ColourRowsText(ColourRows(ColourOfDisplayed(none), -1, 0, MeasuringMethod::LightSource)),
        "ヘッド / 記録\tヘッドが選択されていません\r\n"
        "計測方法\t光源\r\n"
        "色彩値\t表示する記録がありません\r\n");
}

TEST(ColourRecord, TrendFollowsStoredLightRecords) {
    auto doc = test::MakeDoc();
    const double kelvin[] = {2700.0, 4000.0, 6500.0};
    for (int r = 0; r < 3; ++r) {
        test::FillRecord(*doc, 0, r, 1000, [](int) { return 0.0f; });
        for (int c = 0; c < MAX_CHANNELS; ++c)
            doc->recProcessed(0, r)[c] =
                static_cast<float>(1e-12 * PlanckRelative(doc->wavelengthNm[0][c], kelvin[r]));
    }
    doc->recordCount[0] = 3;
    const ColourTrend trend(*doc, 0);
    for (int r = 0; r < 3; ++r) {
        const ColourTrendPoint p = trend.At(r, true);
        ASSERT_EQ(p.cctRefusal, ColourRefusal::None) << r;
        EXPECT_NEAR(p.cct, kelvin[r], kelvin[r] * 2e-4) << r;
        EXPECT_NEAR(p.duv, 0.0, 1e-4) << r;
        // Below 5000 K the reference is the blackbody itself.
        if (kelvin[r] < 5000) {
            EXPECT_GT(p.ra, 99.0) << r;
        }
    }
    EXPECT_EQ(trend.At(3, false).cctRefusal, ColourRefusal::NoSpectrum);
}

}  // namespace
}  // namespace vmf
