// The dark table procedure, the gain computation and the write of the whole
// table, on the simulated bench where a device takes part.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "device/Detection.h"
#include "device/HeadCommands.h"
#include "device/SimulatedDeviceLibrary.h"
#include "fakes/ScriptedDialogs.h"
#include "maintenance/CalibrationUpload.h"
#include "maintenance/CountingLibrary.h"
#include "maintenance/DarkTableProcedure.h"
#include "maintenance/GainProcedure.h"
#include "spectrum/ResponseCurve.h"

namespace vmf {
namespace {

// Two heads at devices 0 and 1, detected into a fresh store.
struct Bench {
    std::unique_ptr<SimulatedDeviceLibrary> sim;
    std::unique_ptr<test::CountingLibrary> lib;
    std::unique_ptr<Cvarnello_mfDoc> doc = std::make_unique<Cvarnello_mfDoc>();
    test::ScriptedDialogs dialogs;

    explicit Bench(const char* text = "0:head:SN000001;1:head:SN000002;scene=dark;timescale=0",
                   int heads = 2) {
        std::string error;
        sim = SimulatedDeviceLibrary::FromText(text, error);
        EXPECT_TRUE(sim) << error;
        lib = std::make_unique<test::CountingLibrary>(*sim);
        Detect(
            *doc, *sim, dialogs, [](int) {}, 0);
        EXPECT_EQ(doc->headCount, heads);
        sim->ResetCounters();
    }
};

TEST(DarkTableProcedure, TwentyOneStepsOfThreeTicksWithTheirExposuresReadsAndOneFinish) {
    Bench b;
    auto& doc = *b.doc;
    // A recorded slot and the other head's table must come through untouched.
    ASSERT_TRUE(doc.EnsureRecordArrays(0, 0));
    doc.recRaw(0, 0)[5] = 777.0f;
    doc.recordCount[0] = 1;
    const auto otherHead = doc.darkTable[1];
    const auto exposure = doc.exposureUs[0];

    DarkTableProcedure proc(doc, *b.lib);
    proc.Start(0, DeviceNumber(0));
    for (const auto& step : doc.darkTable[0])
        for (float v : step) ASSERT_EQ(v, DARK_START_VALUE);
    int reads = 0, refreshes = 0, finishes = 0, ticks = 0;
    for (;;) {
        const auto t = proc.OnTick();
        ++ticks;
        ASSERT_LT(ticks, 100);
        if (t == DarkTableProcedure::Tick::Read) ++reads;
        if (t == DarkTableProcedure::Tick::Advanced) ++refreshes;
        if (t == DarkTableProcedure::Tick::Finished) {
            ++refreshes;
            ++finishes;
            break;
        }
    }
    EXPECT_EQ(ticks, 63);
    EXPECT_EQ(reads, 42);
    EXPECT_EQ(refreshes, 21);
    EXPECT_EQ(finishes, 1);
    EXPECT_FALSE(proc.Running());
    EXPECT_EQ(proc.OnTick(), DarkTableProcedure::Tick::Idle);

    ASSERT_EQ(b.lib->exposures.size(), 21u);
    EXPECT_EQ(b.lib->exposures[0], std::make_pair(0, 265.0));
    for (int k = 1; k <= 20; ++k) EXPECT_EQ(b.lib->exposures[k], std::make_pair(0, k * 50000.0));
    // 63 spectra: per step one settle read and a pair, all at that step's exposure.
    ASSERT_EQ(b.lib->reads.size(), 63u);
    for (int i = 0; i < 63; ++i) {
        const int step = i / 3;
        EXPECT_EQ(b.lib->reads[i], std::make_pair(0, step == 0 ? 265.0 : step * 50000.0)) << i;
    }
    // The dark grows with the exposure and nothing is left at the start value.
    for (const auto& step : doc.darkTable[0])
        for (int c = 0; c < MAX_CHANNELS; ++c) EXPECT_NE(step[c], DARK_START_VALUE);
    EXPECT_GT(doc.darkTable[0][20][100], doc.darkTable[0][0][100]);
    EXPECT_EQ(std::memcmp(&doc.darkTable[1], &otherHead, sizeof otherHead), 0);
    EXPECT_EQ(doc.recRaw(0, 0)[5], 777.0f);
    EXPECT_EQ(doc.recordCount[0], 1);
    EXPECT_EQ(doc.recRaw(0, 1), nullptr);
    EXPECT_EQ(doc.exposureUs[0], exposure);
}

TEST(DarkTableProcedure, StoppingKeepsTheStartValueAndStartingAgainBeginsAtStepZero) {
    Bench b;
    DarkTableProcedure proc(*b.doc, *b.lib);
    proc.Start(1, DeviceNumber(1));
    for (int i = 0; i < 7; ++i) proc.OnTick();  // steps 0 and 1 stored, step 2 settled
    EXPECT_EQ(proc.Step(), 2);
    EXPECT_EQ(proc.Phase(), 1);
    proc.Stop();
    EXPECT_EQ(proc.OnTick(), DarkTableProcedure::Tick::Idle);
    EXPECT_NE(b.doc->darkTable[1][1][0], DARK_START_VALUE);
    EXPECT_EQ(b.doc->darkTable[1][2][0], DARK_START_VALUE);
    EXPECT_EQ(b.doc->darkTable[1][20][287], DARK_START_VALUE);

    proc.Start(1, DeviceNumber(1));
    EXPECT_EQ(proc.Step(), 0);
    EXPECT_EQ(proc.Phase(), 0);
    EXPECT_EQ(b.doc->darkTable[1][1][0], DARK_START_VALUE);
    EXPECT_EQ(b.lib->exposures.back(), std::make_pair(1, 265.0));
}

// --- Gain ---------------------------------------------------------------

struct GainCase {
    std::unique_ptr<Cvarnello_mfDoc> doc = std::make_unique<Cvarnello_mfDoc>();
    GainShapes shapes;
    ChannelSpectrum s{};

    // Channel wavelengths 340 + 1.8 c nm, dark 100 everywhere.
    GainCase() {
        doc->channelCount[2] = MAX_CHANNELS;
        doc->exposureUs[2] = 12345;
        for (int c = 0; c < MAX_CHANNELS; ++c) doc->wavelengthNm[2][c] = 340.0f + 1.8f * c;
        doc->darkTable[2][0].fill(100.0f);
        shapes = PrepareGainShapes(*doc, 2, 8192);
    }
    // A spectrum whose ratio to the lamp is `ratio` in every channel.
    void ConstantRatio(float ratio) {
        for (int c = 0; c < MAX_CHANNELS; ++c) s[c] = 100.0f + ratio * shapes.expectedLamp[c];
    }
};

TEST(GainProcedure, ShapesFollowTheCurvesAndTheLampPeaksAtGraphMax) {
    GainCase g;
    const float peak =
        *std::max_element(g.shapes.expectedLamp.begin(), g.shapes.expectedLamp.end());
    EXPECT_EQ(peak, 8192.0f);
    EXPECT_EQ(g.shapes.expectedLamp[287], 8192.0f);  // the lamp rises with the wavelength
    EXPECT_FLOAT_EQ(g.shapes.responseShape[0], responseCurve[40]);  // 340 nm
    EXPECT_LT(g.shapes.expectedLamp[0], g.shapes.expectedLamp[100]);
}

TEST(GainProcedure, ConstantRatioGivesOneAboveFourHundredAndTheResponseShapeBelow) {
    GainCase g;
    g.ConstantRatio(0.5f);
    const GainResult r = ComputeGain(*g.doc, 2, g.shapes, g.s);
    ASSERT_EQ(r.outcome, GainOutcome::Measured);
    int k = 0;
    while (!(g.doc->wavelengthNm[2][k] > 400.0f)) ++k;
    ASSERT_EQ(k, 34);  // 401.2 nm
    for (int c = k; c < MAX_CHANNELS; ++c) EXPECT_FLOAT_EQ(r.gain[c], 1.0f) << c;
    for (int c = 0; c < k; ++c) {
        EXPECT_FLOAT_EQ(r.gain[c], g.shapes.responseShape[k] / g.shapes.responseShape[c]) << c;
        EXPECT_GT(r.gain[c], 1.0f);
    }
    EXPECT_EQ(r.gain[288], 12345.0f);
}

TEST(GainProcedure, SmoothsFiveChannelsInsideAndLeavesTheEdgesRaw) {
    GainCase g;
    g.ConstantRatio(1.0f);
    // A spike of ratio 6 at channel 100 spreads to 98..102 as (6 + 4) / 5 = 2;
    // at the edges (channel 5 and 283) it stays where it is.
    g.s[100] = 100.0f + 6.0f * g.shapes.expectedLamp[100];
    g.s[283] = 100.0f + 6.0f * g.shapes.expectedLamp[283];
    g.s[40] = 100.0f + 6.0f * g.shapes.expectedLamp[40];
    const GainResult r = ComputeGain(*g.doc, 2, g.shapes, g.s);
    ASSERT_EQ(r.outcome, GainOutcome::Measured);
    // M is 6 (channel 283, unsmoothed): gain = 6 / smoothed ratio.
    EXPECT_FLOAT_EQ(r.gain[283], 1.0f);
    for (int c = 98; c <= 102; ++c) EXPECT_NEAR(r.gain[c], 3.0f, 1e-5) << c;
    EXPECT_NEAR(r.gain[97], 6.0f, 1e-5);
    EXPECT_NEAR(r.gain[282], 6.0f / 2.0f, 1e-5);  // 282 is smoothed and sees the spike
    EXPECT_NEAR(r.gain[284], 6.0f, 1e-5);         // 284 is an edge channel
    EXPECT_NEAR(r.gain[38], 3.0f, 1e-5);
}

TEST(GainProcedure, DarknessNoLongWaveChannelAndUndefinedLampAreRefused) {
    {
        GainCase g;
        g.ConstantRatio(0.0f);  // the spectrum equals the dark
        EXPECT_EQ(ComputeGain(*g.doc, 2, g.shapes, g.s).outcome, GainOutcome::NoSignal);
        g.ConstantRatio(-1.0f);
        EXPECT_EQ(ComputeGain(*g.doc, 2, g.shapes, g.s).outcome, GainOutcome::NoSignal);
    }
    {
        GainCase g;
        for (int c = 0; c < MAX_CHANNELS; ++c) g.doc->wavelengthNm[2][c] = 300.0f + 0.3f * c;
        g.shapes = PrepareGainShapes(*g.doc, 2, 8192);
        g.ConstantRatio(1.0f);
        EXPECT_EQ(ComputeGain(*g.doc, 2, g.shapes, g.s).outcome, GainOutcome::NoChannelAboveLimit);
    }
    {
        GainCase g;
        g.doc->wavelengthNm[2][287] = 950.0f;  // beyond the lamp table: expected 0
        g.shapes = PrepareGainShapes(*g.doc, 2, 8192);
        g.ConstantRatio(1.0f);
        g.s[287] = 500.0f;
        const GainResult r = ComputeGain(*g.doc, 2, g.shapes, g.s);
        EXPECT_EQ(r.outcome, GainOutcome::NotFinite);
        EXPECT_EQ(r.badChannel, 287);
    }
    {
        GainCase g;
        g.ConstantRatio(1.0f);
        g.s[150] = 100.0f;  // one dead channel, smoothed in: still finite
        g.s[150 - 2] = g.s[150 - 1] = g.s[150 + 1] = g.s[150 + 2] = 100.0f;
        const GainResult r = ComputeGain(*g.doc, 2, g.shapes, g.s);
        EXPECT_EQ(r.outcome, GainOutcome::NotFinite);
        EXPECT_EQ(r.badChannel, 150);
    }
}

// --- Write to the head ------------------------------------------------------

TEST(CalibrationUpload, WritesInOrderAndAFreshDetectionReadsTheTableBack) {
    Bench b("0:head:SN000001;1:head:SN000002;timescale=0");
    auto& doc = *b.doc;
    for (int s = 0; s < DARK_STEPS; ++s)
        for (int c = 0; c < MAX_CHANNELS; ++c) doc.darkTable[1][s][c] = 1000.0f + s + c * 0.5f;
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        doc.wavelengthNm[1][c] = 320.0f + 2.0f * c;
        doc.whiteRef[1][c] = 3000.0f + c;
        doc.transRef[1][c] = 4000.0f + c;
        doc.gain[1][c] = 1.0f + c / 1000.0f;
    }
    doc.whiteRef[1][288] = 1111.0f;
    doc.transRef[1][288] = 2222.0f;
    doc.gain[1][288] = 3333.0f;
    doc.wavePoly[1] = {320, 2, 0, 0, 0, 1e-12};

    const UploadResult r = UploadCalibrationTable(doc, *b.lib, HeadSlot(1), DeviceNumber(1));
    ASSERT_TRUE(r.ok) << r.failedPart;
    // Opcode runs in order: dark x 21 (289 each), wavelength, white, trans, gain.
    std::vector<std::pair<uint8_t, int>> runs;
    for (const auto& cmd : b.lib->commands) {
        ASSERT_EQ(cmd.dev, 1);
        if (runs.empty() || runs.back().first != cmd.bytes[0]) runs.emplace_back(cmd.bytes[0], 0);
        ++runs.back().second;
    }
    const std::vector<std::pair<uint8_t, int>> expected = {
        {head::kWriteDark, 21 * 289}, {head::kWriteWavelength, 289}, {head::kWriteWhite, 290},
        {head::kWriteTrans, 290},     {head::kWriteGain, 290},
    };
    EXPECT_EQ(runs, expected);
    EXPECT_EQ(b.lib->coefficientWrites, 1);
    EXPECT_EQ(b.sim->Counters(DeviceNumber(0)).writes, 0);

    Cvarnello_mfDoc fresh;
    Detect(
        fresh, *b.sim, b.dialogs, [](int) {}, 0);
    ASSERT_EQ(fresh.headCount, 2);
    EXPECT_EQ(std::memcmp(&fresh.darkTable[1], &doc.darkTable[1], sizeof doc.darkTable[1]), 0);
    EXPECT_EQ(fresh.wavelengthNm[1], doc.wavelengthNm[1]);
    EXPECT_EQ(fresh.whiteRef[1], doc.whiteRef[1]);
    EXPECT_EQ(fresh.transRef[1], doc.transRef[1]);
    EXPECT_EQ(fresh.gain[1], doc.gain[1]);
    EXPECT_EQ(fresh.wavePoly[1], doc.wavePoly[1]);
}

TEST(CalibrationUpload, AFailureNamesThePartAndStopsThere) {
    {
        Bench b("0:head:SN000001;timescale=0", 1);
        b.sim->UnplugAfterCommands(DeviceNumber(0), 289 * 3 + 10);
        const UploadResult r = UploadCalibrationTable(*b.doc, *b.lib, HeadSlot(0), DeviceNumber(0));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.failedPart, "ダーク（ステップ 3）");
        EXPECT_EQ(b.lib->coefficientWrites, 0);
    }
    {
        Bench b("0:head:SN000001;timescale=0", 1);
        b.sim->UnplugAfterCommands(DeviceNumber(0), 289 * 22 + 290 * 2 + 5);
        const UploadResult r = UploadCalibrationTable(*b.doc, *b.lib, HeadSlot(0), DeviceNumber(0));
        EXPECT_EQ(r.failedPart, "ゲイン");
    }
    {
        Bench b("0:head:SN000001;timescale=0", 1);
        b.lib->coefficientResult = -1;
        const UploadResult r = UploadCalibrationTable(*b.doc, *b.lib, HeadSlot(0), DeviceNumber(0));
        EXPECT_EQ(r.failedPart, "波長係数");
    }
}

}  // namespace
}  // namespace vmf
