#include <gtest/gtest.h>

#include <cstring>

#include "SpectrumTestDoc.h"
#include "spectrum/SpectrumWorkspace.h"

namespace vmf {
namespace {

using test::FillRecord;
using test::MakeDoc;

constexpr ProcessingOptions kLight{MeasuringMethod::LightSource, false};
constexpr ProcessingOptions kReflect{MeasuringMethod::Reflectance, false};
constexpr ProcessingOptions kTrans{MeasuringMethod::Transmittance, false};

// Dark step 0 = 100 + c, step 19 = 300 + c: slope 200 everywhere.
void SetRisingDark(Cvarnello_mfDoc& doc, int a) {
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        doc.darkTable[a][0][c] = 100.0f + static_cast<float>(c);
        doc.darkTable[a][19][c] = 300.0f + static_cast<float>(c);
    }
}

TEST(DarkModel, SlopeIsStep19MinusStep0AndNeverNegative) {
    auto doc = MakeDoc();
    SetRisingDark(*doc, 0);
    doc->darkTable[0][19][7] = 50.0f;   // falling
    doc->darkTable[0][19][8] = 108.0f;  // flat
    SpectrumWorkspace ws;
    ws.DeriveDarkModel(*doc, 0);
    EXPECT_EQ(ws.darkBase[0][3], 103.0f);
    EXPECT_EQ(ws.darkSlope[0][3], 200.0f);
    EXPECT_EQ(ws.darkSlope[0][7], 0.0f);
    EXPECT_EQ(ws.darkSlope[0][8], 0.0f);
}

TEST(DarkModel, WorkingDarkFollowsExposure) {
    auto doc = MakeDoc();
    SetRisingDark(*doc, 0);
    SpectrumWorkspace ws;
    ws.DeriveDarkModel(*doc, 0);
    ws.MakeWorkingDark(*doc, 0, 475000.0f);
    EXPECT_EQ(doc->darkTable[0][20][0], 200.0f);  // step 0 plus half the slope
    EXPECT_EQ(doc->darkTable[0][20][287], 487.0f);
    ws.MakeWorkingDark(*doc, 0, 950000.0f);
    EXPECT_EQ(doc->darkTable[0][20][5], doc->darkTable[0][19][5]);
    ws.MakeWorkingDark(*doc, 0, 0.0f);
    EXPECT_EQ(doc->darkTable[0][20][5], 105.0f);
    // Evaluated in double, rounded once: 1/3 of the slope.
    ws.MakeWorkingDark(*doc, 0, 950000.0f / 3.0f);
    EXPECT_EQ(doc->darkTable[0][20][0],
              static_cast<float>(static_cast<double>(950000.0f / 3.0f) * 200.0 / 950000.0 + 100.0));
}

TEST(Correction, SubtractsWorkingDarkAndAppliesGainOnlyWhenAsked) {
    auto doc = MakeDoc();
    SetRisingDark(*doc, 0);
    for (int c = 0; c < MAX_CHANNELS; ++c) doc->gain[0][c] = 1.5f;
    FillRecord(*doc, 0, 0, 475000, [](int c) { return 1000.0f + static_cast<float>(c); });
    SpectrumWorkspace ws;
    ws.DeriveDarkModel(*doc, 0);
    doc->darkTable[0][20].fill(-1.0f);
    ws.ProcessRecord(*doc, 0, 0, kLight);
    EXPECT_EQ(doc->darkTable[0][20][4], 204.0f);  // processing rewrites step 20
    EXPECT_EQ(doc->recProcessed(0, 0)[4], 800.0f);
    ws.ProcessRecord(*doc, 0, 0, {MeasuringMethod::LightSource, true});
    EXPECT_EQ(doc->recProcessed(0, 0)[4], 1200.0f);
    // Below the dark stays negative.
    doc->recRaw(0, 0)[9] = 10.0f;
    ws.ProcessRecord(*doc, 0, 0, kLight);
    EXPECT_EQ(doc->recProcessed(0, 0)[9], -199.0f);
}

TEST(Correction, RatioUsesReferenceThresholdAndExposureFactor) {
    auto doc = MakeDoc();
    FillRecord(*doc, 0, 0, 200000, [](int) { return 500.0f; });
    auto& ref = doc->whiteRef[0];
    ref.fill(250.0f);
    ref[1] = 10.0f;
    ref[2] = 9.99f;
    ref[3] = 0.0f;
    ref[288] = 100000.0f;  // taken at half the record's exposure
    SpectrumWorkspace ws;
    ws.ProcessRecord(*doc, 0, 0, kReflect);
    EXPECT_EQ(ws.ratioSpectrum[0][0], 100.0f);   // twice the counts at twice the exposure
    EXPECT_EQ(ws.ratioSpectrum[0][1], 2500.0f);  // exactly 10 counts still counts
    EXPECT_EQ(ws.ratioSpectrum[0][2], 0.0f);
    EXPECT_EQ(ws.ratioSpectrum[0][3], 0.0f);
    // Transmittance reads the other row: never registered, all zero.
    ws.ProcessRecord(*doc, 0, 0, kTrans);
    for (float v : ws.ratioSpectrum[0]) EXPECT_EQ(v, 0.0f);
}

TEST(Correction, ZeroExposureAndLightSourceGiveZeroRatio) {
    auto doc = MakeDoc();
    FillRecord(*doc, 0, 0, 0, [](int) { return 500.0f; });
    doc->whiteRef[0].fill(250.0f);
    SpectrumWorkspace ws;
    ws.ratioSpectrum[0].fill(7.0f);
    ws.ProcessRecord(*doc, 0, 0, kReflect);
    for (float v : ws.ratioSpectrum[0]) ASSERT_EQ(v, 0.0f);

    doc->recExposureUs(0, 0) = 1000;
    ws.ProcessRecord(*doc, 0, 0, kReflect);
    ws.ResampleRecord(*doc, 0, 0, kReflect);
    const auto ratioBefore = ws.displayRatio[0];
    ASSERT_NE(ratioBefore[100], 0.0f);
    ws.ProcessRecord(*doc, 0, 0, kLight);
    ws.ResampleRecord(*doc, 0, 0, kLight);
    for (float v : ws.ratioSpectrum[0]) ASSERT_EQ(v, 0.0f);
    EXPECT_EQ(std::memcmp(ratioBefore.data(), ws.displayRatio[0].data(), sizeof ratioBefore), 0);
}

TEST(Correction, SlotWithoutArraysIsLeftAlone) {
    auto doc = MakeDoc();
    SpectrumWorkspace ws;
    doc->darkTable[0][20].fill(3.0f);
    ws.displaySpectrum[0].fill(5.0f);
    ws.ProcessRecord(*doc, 0, 4, kReflect);
    ws.ResampleRecord(*doc, 0, 4, kReflect);
    ws.ProcessRecord(*doc, -1, 0, kReflect);
    ws.ProcessRecord(*doc, 0, MAX_RECORDS, kReflect);
    ws.ProcessRecord(*doc, MAX_HEADS, 0, kReflect);
    EXPECT_EQ(doc->darkTable[0][20][0], 3.0f);
    EXPECT_EQ(ws.displaySpectrum[0][0], 5.0f);
}

TEST(Resample, GridPointOnChannelWavelengthTakesThatChannel) {
    auto doc = MakeDoc();
    // wl[5] = 340 exactly; 341 lies halfway between wl[5] and wl[6].
    FillRecord(*doc, 0, 0, 1000, [](int c) { return static_cast<float>(c * c) + 0.37f; });
    SpectrumWorkspace ws;
    ws.ProcessRecord(*doc, 0, 0, kLight);
    ws.ResampleRecord(*doc, 0, 0, kLight);
    const float* p = doc->recProcessed(0, 0);
    EXPECT_EQ(ws.displaySpectrum[0][0], p[5]);
    EXPECT_EQ(ws.displaySpectrum[0][2], p[6]);
    EXPECT_EQ(ws.displaySpectrum[0][1], static_cast<float>((double(p[5]) + double(p[6])) / 2.0));
}

TEST(Resample, UncoveredGridPointsAreZero) {
    auto doc = MakeDoc(1, 100);  // 330..528 nm
    FillRecord(*doc, 0, 0, 1000, [](int) { return 42.0f; });
    SpectrumWorkspace ws;
    ws.displaySpectrum[0].fill(-1.0f);
    ws.ProcessRecord(*doc, 0, 0, kLight);
    ws.ResampleRecord(*doc, 0, 0, kLight);
    EXPECT_EQ(ws.displaySpectrum[0][528 - 340], 42.0f);
    EXPECT_EQ(ws.displaySpectrum[0][529 - 340], 0.0f);
    EXPECT_EQ(ws.displaySpectrum[0][510], 0.0f);
}

TEST(Reference, RegisteringDisplayedRecordGivesRatio100) {
    auto doc = MakeDoc(2, 200);
    SetRisingDark(*doc, 0);
    for (int a = 0; a < 2; ++a)
        FillRecord(*doc, a, 0, 123456, [](int c) { return static_cast<float>(c) * 3.0f + 105.3f; });
    doc->recordCount.fill(1);
    SpectrumWorkspace ws;
    ws.DeriveDarkModel(*doc, 0);
    ASSERT_TRUE(ws.ReprocessDisplayed(*doc, 0, 0, false, kReflect));
    ASSERT_TRUE(RegisterReference(*doc, 0, 0, true));
    EXPECT_EQ(doc->whiteRef[0][200], 123456.0f);  // the exposure entry follows the channels
    EXPECT_EQ(doc->whiteRef[0][201], 0.0f);
    EXPECT_EQ(doc->transRef[0][0], 0.0f);
    ASSERT_TRUE(ws.ReprocessDisplayed(*doc, 0, 0, false, kReflect));
    int below = 0;
    for (int c = 0; c < 200; ++c) {
        const float expected = doc->whiteRef[0][c] >= 10.0f ? 100.0f : 0.0f;
        below += expected == 0.0f;
        ASSERT_EQ(ws.ratioSpectrum[0][c], expected) << c;
    }
    EXPECT_GT(below, 0);  // the dark made the first channels small
    EXPECT_EQ(ws.displayRatio[0][100], 100.0f);
}

TEST(Reference, RefusedWithoutRecordOrHead) {
    auto doc = MakeDoc();
    doc->whiteRef[0].fill(7.0f);
    EXPECT_FALSE(RegisterReference(*doc, 0, 0, true));
    EXPECT_FALSE(RegisterReference(*doc, 1, 0, true));
    EXPECT_FALSE(RegisterReference(*doc, -1, 0, false));
    EXPECT_FALSE(RegisterReference(*doc, 0, MAX_RECORDS, false));
    EXPECT_EQ(doc->whiteRef[0][0], 7.0f);
    EXPECT_EQ(doc->whiteRef[0][288], 7.0f);
}

TEST(Reprocess, GuardAndSkippedHeads) {
    auto doc = MakeDoc(3);
    FillRecord(*doc, 0, 2, 1000, [](int) { return 10.0f; });
    FillRecord(*doc, 2, 2, 1000, [](int) { return 20.0f; });
    SpectrumWorkspace ws;
    ws.displaySpectrum[1].fill(-5.0f);
    EXPECT_FALSE(ws.ReprocessDisplayed(*doc, 0, 2, false, kLight));  // no record yet
    doc->recordCount.fill(3);
    EXPECT_FALSE(ws.ReprocessDisplayed(*doc, 0, 2, true, kLight));  // measuring
    EXPECT_FALSE(ws.ReprocessDisplayed(*doc, -1, 2, false, kLight));
    EXPECT_FALSE(ws.ReprocessDisplayed(*doc, 3, 2, false, kLight));
    EXPECT_FALSE(ws.ReprocessDisplayed(*doc, 0, -1, false, kLight));
    EXPECT_EQ(ws.displaySpectrum[0][100], 0.0f);
    EXPECT_TRUE(ws.ReprocessDisplayed(*doc, 0, 2, false, kLight));
    EXPECT_EQ(ws.displaySpectrum[0][100], 10.0f);
    EXPECT_EQ(ws.displaySpectrum[1][100], -5.0f);  // head 1 has no slot 2
    EXPECT_EQ(ws.displaySpectrum[2][100], 20.0f);
}

}  // namespace
}  // namespace vmf
