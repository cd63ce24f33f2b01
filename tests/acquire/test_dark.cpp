// The panel's dark measurement on the simulated bench with scripted spectra:
// refusals, per-head steps 0 and 19, the interpolation and slope rule, the
// registration question and the workers' messages.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "AcquireTestBench.h"
#include "acquire/AcquisitionTexts.h"
#include "acquire/DarkMeasurement.h"

namespace vmf::test {
namespace {

using namespace std::chrono_literals;

// Short dark: 100 + 10 × slot; long dark: 400 + 10 × slot + channel, except
// channel 7, whose long dark lies below its short one.
int16_t DarkCounts(int slot, double exposure, int c) {
    const bool longExposure = exposure > 900000.0;
    if (!longExposure) return static_cast<int16_t>(100 + 10 * slot);
    if (c == 7) return static_cast<int16_t>(50);
    return static_cast<int16_t>(400 + 10 * slot + c);
}

class DarkTest : public ::testing::TestWithParam<WorkerMode> {
protected:
    void SetUp() override {
        bench.DetectHeads();
        bench.lib->counts = DarkCounts;
        dark.SetWorkerMode(GetParam());
        bench.dispatch.Set(kTimerDarkStep, [this](uint32_t now) { dark.OnStepTimer(now); });
        bench.dispatch.Set(kTimerDarkEnd, [this](uint32_t) { dark.OnEndTimer(); });
    }
    void RunToEnd() {
        for (int i = 0; i < 100000 && bench.timers.Any(); ++i) {
            if (dark.WorkerRunning()) std::this_thread::sleep_for(200us);
            const auto next = bench.timers.Next();
            bench.now = next->second;
            bench.dispatch.Fire(next->first, bench.now);
        }
    }
    bool Shown(const std::string& line) const {
        for (const auto& m : bench.host.messages)
            if (m.first == line) return true;
        return false;
    }
    TestBench bench;
    AcquisitionCycle cycle{bench.ctx, bench.host, WorkerMode::Inline};
    DarkMeasurement dark{bench.ctx, bench.host, cycle, WorkerMode::Inline};
};

TEST_P(DarkTest, WithRecordsPresentOnlyTheWarningIsShown) {
    bench.doc.recordCount[0] = 3;
    const auto before = bench.doc.darkTable;
    dark.OnButton();
    ASSERT_EQ(bench.dialogs.asked.size(), 1u);
    EXPECT_EQ(bench.dialogs.notices.at(0), acq::kNoticeDarkRecordsPresent);
    EXPECT_FALSE(bench.measuring);
    EXPECT_FALSE(bench.timers.Any());
    EXPECT_TRUE(bench.lib->exposureLog.empty());
    EXPECT_EQ(bench.doc.darkTable, before);
}

TEST_P(DarkTest, CancelOnTheShadingQuestionLeavesEverything) {
    bench.dialogs.okCancelAnswers = {false};
    dark.OnButton();
    EXPECT_EQ(bench.dialogs.asked.at(0), acq::kAskDarkShade);
    EXPECT_FALSE(bench.measuring);
    EXPECT_FALSE(bench.darkInProgress);
    EXPECT_TRUE(bench.lib->exposureLog.empty());
    EXPECT_FALSE(bench.timers.Any());
}

TEST_P(DarkTest, EachHeadGetsItsOwnStepsAndTheTableGoesToTheHeads) {
    bench.dialogs.okCancelAnswers = {true, true};
    dark.OnButton();
    EXPECT_TRUE(bench.measuring);
    EXPECT_TRUE(bench.darkInProgress);
    EXPECT_FALSE(bench.host.enabled[1001]);
    EXPECT_FALSE(bench.host.enabled[1023]);
    EXPECT_EQ(bench.lib->exposureLog.at(0), std::make_pair(0, 265.0));
    RunToEnd();

    for (int k = 0; k < 2; ++k) {
        const auto& t = bench.doc.darkTable[k];
        EXPECT_EQ(t[0][0], 100.0f + 10 * k);
        EXPECT_EQ(t[19][3], 403.0f + 10 * k);
        // Step j on the line through steps 0 and 19; step 20 extrapolates.
        const float s0 = t[0][3], s19 = t[19][3];
        EXPECT_EQ(t[10][3], static_cast<float>(s0 + (s19 - s0) * 10.0f / 19.0));
        EXPECT_EQ(t[20][3], static_cast<float>(s0 + (s19 - s0) * 20.0f / 19.0));
        // The dark model was derived; channel 7 falls, so its slope is 0.
        EXPECT_EQ(bench.ws.darkBase[k][3], s0);
        EXPECT_EQ(bench.ws.darkSlope[k][3], s19 - s0);
        EXPECT_EQ(bench.ws.darkSlope[k][7], 0.0f);
        // OK at the question: the head's memory holds the same table.
        const auto memory = bench.lib->inner().Memory(DeviceNumber(k));
        ASSERT_TRUE(memory);
        for (int j = 0; j < DARK_STEPS; ++j)
            EXPECT_EQ(memory->dark[j], t[j]) << "head " << k << " step " << j;
    }
    EXPECT_EQ(bench.dialogs.asked.back(), acq::kAskDarkRegister);
    EXPECT_TRUE(Shown(acq::kMsgDarkRegistering));
    EXPECT_EQ(bench.host.LastLine1(), acq::kMsgDarkDone);
    EXPECT_TRUE(Shown(acq::kMsgBlankBegin));
    EXPECT_TRUE(Shown(acq::kMsgBlankEnd));
    EXPECT_TRUE(Shown(acq::kMsgDarkBegin));
    EXPECT_TRUE(Shown(acq::kMsgDarkEnd));
    EXPECT_FALSE(bench.measuring);
    EXPECT_FALSE(bench.darkInProgress);
    EXPECT_TRUE(bench.host.enabled[1001]);
    EXPECT_EQ(bench.doc.recordCount[0], 0);  // the working slot was scratch space only
    EXPECT_EQ(bench.busy.load(), 0);
    // The heads stay at the long exposure.
    EXPECT_EQ(bench.lib->exposureLog.back().second, 950000.0);
}

TEST_P(DarkTest, CancelAtRegistrationKeepsTheTableInTheStoreOnly) {
    const auto memoryBefore = bench.lib->inner().Memory(DeviceNumber(0));
    bench.dialogs.okCancelAnswers = {true, false};
    dark.OnButton();
    RunToEnd();
    EXPECT_EQ(bench.doc.darkTable[0][0][0], 100.0f);
    EXPECT_EQ(bench.lib->inner().Memory(DeviceNumber(0))->dark, memoryBefore->dark);
    EXPECT_FALSE(Shown(acq::kMsgDarkRegistering));
    EXPECT_EQ(bench.host.LastLine1(), acq::kMsgDarkDone);
    EXPECT_FALSE(bench.darkInProgress);
}

INSTANTIATE_TEST_SUITE_P(Workers, DarkTest,
                         ::testing::Values(WorkerMode::Inline, WorkerMode::Threaded));

TEST(DarkElapsed, BlankAndDarkPhasesCountTheirSecondsSeparately) {
    TestBench bench;
    bench.DetectHeads();
    bench.lib->counts = DarkCounts;
    AcquisitionCycle cycle{bench.ctx, bench.host, WorkerMode::Inline};
    DarkMeasurement dark{bench.ctx, bench.host, cycle, WorkerMode::Threaded};
    bench.dispatch.Set(kTimerDarkStep, [&](uint32_t now) { dark.OnStepTimer(now); });
    auto step = [&] {
        const auto next = bench.timers.Next();
        ASSERT_TRUE(next);
        bench.now = next->second;
        bench.dispatch.Fire(next->first, bench.now);
    };
    auto waitState = [&](int s) {
        for (int i = 0; i < 5000 && dark.State() != s; ++i) std::this_thread::sleep_for(1ms);
        ASSERT_EQ(dark.State(), s);
    };
    dark.OnButton();
    bench.lib->CloseGate();  // holds the workers, not the panel's own reads
    step();                  // state 0 -> 1
    step();                  // state 1: step 0 read, blank worker started
    EXPECT_EQ(dark.State(), 2);
    EXPECT_EQ(bench.busy.load(), 1);
    for (int i = 0; i < 100; ++i) step();
    EXPECT_EQ(bench.host.messages.back().first, "空計測中　経過時間  1 sec");
    bench.lib->OpenGate();
    waitState(3);
    bench.lib->CloseGate();
    step();  // state 3: dark worker started, its clock restarts
    EXPECT_EQ(dark.State(), 4);
    const size_t before = bench.host.messages.size();
    for (int i = 0; i < 99; ++i) step();
    for (size_t m = before; m < bench.host.messages.size(); ++m)
        EXPECT_EQ(bench.host.messages[m].first.find("ダーク計測中"), std::string::npos);
    step();
    EXPECT_EQ(bench.host.messages.back().first, "ダーク計測中　経過時間  1 sec");
    bench.lib->OpenGate();
    waitState(5);
    step();  // the last step hands on to timer 5
    EXPECT_TRUE(bench.timers.Pending(kTimerDarkEnd));
    EXPECT_EQ(bench.busy.load(), 0);
}

}  // namespace
}  // namespace vmf::test
