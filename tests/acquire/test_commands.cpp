// The enabling table, the mode and option commands and reference
// registration.

#include <gtest/gtest.h>

#include "AcquireTestBench.h"
#include "acquire/AcquisitionTexts.h"
#include "acquire/ControlEnabling.h"
#include "acquire/OptionCommands.h"
#include "acquire/ReferenceRegistration.h"

namespace vmf::test {
namespace {

std::map<int, bool> Table(const ControlFlags& f) {
    std::map<int, bool> m;
    for (const auto& e : RefreshControlsTable(f)) m[e.id] = e.enabled;
    return m;
}

TEST(ControlEnabling, FollowsTheFlagsControlByControl) {
    ControlFlags f;
    auto t = Table(f);  // nothing detected
    EXPECT_EQ(t.size(), static_cast<size_t>(kRefreshedControlCount));
    EXPECT_FALSE(t[1001]);
    EXPECT_TRUE(t[1002]);
    for (int id : {1035, 1036, 1043, 1052, 1042, 1008, 1009, 1010}) EXPECT_TRUE(t[id]) << id;
    for (int id : {1053, 1040, 1020, 1021, 1023}) EXPECT_FALSE(t[id]) << id;

    f.detected = true;
    t = Table(f);
    for (int id : {1001, 1002, 1053, 1040, 1023}) EXPECT_TRUE(t[id]) << id;
    EXPECT_FALSE(t[1020]);  // light source: neither reference button
    EXPECT_FALSE(t[1021]);

    f.method = MeasuringMethod::Reflectance;
    t = Table(f);
    EXPECT_TRUE(t[1020]);
    EXPECT_FALSE(t[1021]);
    f.method = MeasuringMethod::Transmittance;
    t = Table(f);
    EXPECT_FALSE(t[1020]);
    EXPECT_TRUE(t[1021]);

    f.measuring = true;
    t = Table(f);
    EXPECT_TRUE(t[1001]);  // Stop
    EXPECT_TRUE(t[1023]);  // keep-next while measuring without logging
    for (int id : {1002, 1035, 1036, 1043, 1052, 1042, 1008, 1009, 1010, 1053, 1040, 1020, 1021})
        EXPECT_FALSE(t[id]) << id;

    f.loggingOn = true;
    EXPECT_FALSE(Table(f)[1023]);
    f.loggingOn = false;
    f.darkInProgress = true;
    t = Table(f);
    EXPECT_FALSE(t[1023]);
    EXPECT_FALSE(t[1001]);  // a click would stop the dark procedure halfway

    ControlFlags pending;
    pending.detected = true;
    pending.workerPending = true;
    t = Table(pending);
    for (const auto& [id, on] : t) EXPECT_FALSE(on) << id;
}

TEST(ControlEnabling, ModeDisplayMarksExactlyOneMode) {
    ControlFlags f;
    f.detected = true;
    f.method = MeasuringMethod::Transmittance;
    const auto s = ModeDisplayFor(f);
    EXPECT_EQ(s.checked, (std::array<bool, 3>{false, false, true}));
    EXPECT_EQ(s.enable[0].id, 1040);
    EXPECT_TRUE(s.enable[0].enabled);
    EXPECT_FALSE(s.enable[1].enabled);
    EXPECT_TRUE(s.enable[2].enabled);
    f.measuring = true;
    for (const auto& e : ModeDisplayFor(f).enable) EXPECT_FALSE(e.enabled);
}

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override { bench.DetectHeads(); }
    // One non-logging cycle fills the working slot 0 of both heads.
    void MeasureOnce() {
        bench.dispatch.Set(kTimerCycle, [this](uint32_t now) { cycle.OnTimer(now); });
        cycle.OnOneShot(bench.now);
        bench.Run([] { return false; });
        bench.displayedRecord = 0;
    }
    TestBench bench;
    AcquisitionCycle cycle{bench.ctx, bench.host, WorkerMode::Inline};
    OptionCommands options{bench.ctx, bench.host, cycle};
    ReferenceRegistration registration{bench.ctx, bench.host, cycle};
};

TEST_F(CommandTest, ModeButtonsSetTheMethodShowTheirLinesAndReprocess) {
    options.OnModeButton(MeasuringMethod::Reflectance);
    EXPECT_EQ(bench.method, MeasuringMethod::Reflectance);
    EXPECT_EQ(bench.host.messages.back(),
              std::make_pair(std::string("反射率を測定します（ホワイト設定が必要になります）"),
                             std::string("波長別感度補正モード/補正なしを選択できます")));
    EXPECT_EQ(bench.host.mode.checked, (std::array<bool, 3>{false, true, false}));
    EXPECT_TRUE(bench.host.enabled[1020]);
    EXPECT_FALSE(bench.host.enabled[1021]);
    options.OnModeButton(MeasuringMethod::Transmittance);
    EXPECT_FALSE(bench.host.enabled[1020]);
    EXPECT_TRUE(bench.host.enabled[1021]);
    options.OnModeButton(MeasuringMethod::Transmittance);  // repeated: again
    EXPECT_EQ(bench.host.reprocessed, 3);
    EXPECT_EQ(bench.host.messages.size(), 3u);
    options.OnModeButton(MeasuringMethod::LightSource);
    EXPECT_EQ(bench.host.messages.back().second, "波長別感度補正モードで計測をします");
}

TEST_F(CommandTest, OptionBoxesFlipOrFollowAndSayWhatTheyDid) {
    options.OnLogging(true);
    EXPECT_EQ(bench.options.loggingOn, 1);
    EXPECT_EQ(bench.host.messages.back().first, acq::kMsgLoggingOn1);
    EXPECT_FALSE(bench.host.enabled[1023]);
    options.OnLogging(false);
    EXPECT_EQ(bench.host.messages.back().second, acq::kMsgLoggingOff2);
    EXPECT_TRUE(bench.host.enabled[1023]);

    options.OnInterval();
    EXPECT_EQ(bench.options.intervalOn, 1);
    EXPECT_TRUE(bench.host.enabled[1017]);
    EXPECT_EQ(bench.host.messages.back().second, acq::kMsgIntervalOn2);
    options.OnInterval();
    EXPECT_EQ(bench.options.intervalOn, 0);
    EXPECT_FALSE(bench.host.enabled[1017]);
    EXPECT_EQ(bench.host.messages.back(),
              std::make_pair(std::string(acq::kMsgIntervalOff), std::string()));

    options.OnSensitivity();
    EXPECT_EQ(bench.options.sensitivityOn, 1);
    EXPECT_EQ(bench.host.messages.back().first, acq::kMsgSensitivityOn);
    EXPECT_EQ(bench.host.reprocessed, 1);
}

TEST_F(CommandTest, SelectedOnlyWithoutARecordChangesTheValueQuietly) {
    options.OnSelectedOnly(true);
    EXPECT_TRUE(bench.selectedOnly);
    EXPECT_TRUE(bench.host.messages.empty());
    EXPECT_EQ(bench.host.draws, 0);
}

TEST_F(CommandTest, SelectedOnlyWithARecordReprocessesEveryHeadAndRedraws) {
    bench.options.loggingOn = 1;
    MeasureOnce();
    ASSERT_EQ(bench.doc.recordCount[0], 1);
    bench.ws.displaySpectrum[1].fill(0.0f);
    const int draws = bench.host.draws;
    options.OnSelectedOnly(false);
    EXPECT_EQ(bench.host.messages.back().first, acq::kMsgSelectedOnlyOff);
    EXPECT_EQ(bench.host.draws, draws + 1);
    EXPECT_NE(bench.ws.displaySpectrum[1][200], 0.0f);
}

TEST_F(CommandTest, WhiteRegistrationStoresTheDisplayedRecordAndWritesTheHead) {
    bench.method = MeasuringMethod::Reflectance;
    MeasureOnce();
    bench.selectedHead = 1;
    bench.dialogs.okCancelAnswers = {false};
    EXPECT_FALSE(registration.OnRegister(ReferenceKind::White));
    EXPECT_EQ(bench.host.messages.back(), std::make_pair(std::string(acq::kMsgRegisterWhite1),
                                                         std::string(acq::kMsgRegisterLine2)));
    EXPECT_EQ(bench.dialogs.asked.back(), acq::kAskRegisterWhite);
    EXPECT_EQ(bench.doc.whiteRef[1][REF_ENTRIES - 1],
              bench.lib->inner().Memory(DeviceNumber(1))->white.back());

    EXPECT_TRUE(registration.OnRegister(ReferenceKind::White));
    const float* processed = bench.doc.recProcessed(1, 0);
    for (int c = 0; c < MAX_CHANNELS; ++c) ASSERT_EQ(bench.doc.whiteRef[1][c], processed[c]);
    EXPECT_EQ(bench.doc.whiteRef[1][MAX_CHANNELS],
              static_cast<float>(bench.doc.recExposureUs(1, 0)));
    const auto memory = bench.lib->inner().Memory(DeviceNumber(1));
    EXPECT_EQ(memory->white, bench.doc.whiteRef[1]);

    // Reprocessing that record now gives 100 % wherever the reference counts.
    bench.ws.ProcessRecord(bench.doc, 1, 0, bench.ctx.Processing());
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        if (bench.doc.whiteRef[1][c] >= 10.0f) {
            ASSERT_FLOAT_EQ(bench.ws.ratioSpectrum[1][c], 100.0f) << c;
        }
    }
}

TEST_F(CommandTest, TransmissionRegistrationUsesItsOwnRowAndQuestion) {
    bench.method = MeasuringMethod::Transmittance;
    MeasureOnce();
    const auto white = bench.doc.whiteRef;
    EXPECT_TRUE(registration.OnRegister(ReferenceKind::Transmission100));
    EXPECT_EQ(bench.dialogs.asked.back(), acq::kAskRegisterTrans);
    EXPECT_EQ(bench.doc.whiteRef, white);
    EXPECT_EQ(bench.lib->inner().Memory(DeviceNumber(0))->trans, bench.doc.transRef[0]);
}

TEST_F(CommandTest, RegistrationWithoutARecordInTheDisplayedSlotSaysItStoredNothing) {
    const auto memory = bench.lib->inner().Memory(DeviceNumber(0));
    const auto white = bench.doc.whiteRef;
    for (int selected : {0, -1}) {
        bench.selectedHead = selected;
        bench.host.messages.clear();
        EXPECT_FALSE(registration.OnRegister(ReferenceKind::White));
        EXPECT_EQ(bench.dialogs.asked.back(), acq::kAskRegisterWhite);
        EXPECT_EQ(
            bench.host.messages.back(),
            std::make_pair(std::string("表示中の計測データがないため、何も登録しませんでした。"),
                           std::string("計測して記録を表示してから、もう一度設定してください。")));
    }
    EXPECT_EQ(bench.doc.whiteRef, white);
    EXPECT_EQ(bench.lib->inner().Memory(DeviceNumber(0))->white, memory->white);
}

TEST_F(CommandTest, DarkReRegistrationAsksAndStoresNothing) {
    const auto table = bench.doc.darkTable;
    registration.OnRegisterDark();
    EXPECT_EQ(bench.dialogs.asked.back(), acq::kAskRegisterDark);
    EXPECT_EQ(bench.host.messages.back().first, acq::kMsgRegisterDark1);
    EXPECT_EQ(bench.doc.darkTable, table);
}

}  // namespace
}  // namespace vmf::test
