// The measuring cycle on a fake clock: schedule, record keeping, one-shot,
// elapsed-time messages, the hand-over of a threaded worker and the busy flag.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "AcquireTestBench.h"
#include "acquire/AcquisitionTexts.h"
#include "store/TextCodec.h"

namespace vmf::test {
namespace {

using namespace std::chrono_literals;

int CountLines(const std::string& history, const std::string& needle) {
    int n = 0;
    for (size_t p = history.find(needle); p != std::string::npos; p = history.find(needle, p + 1))
        ++n;
    return n;
}

class CycleTest : public ::testing::Test {
protected:
    void SetUp() override { bench.DetectHeads(); }
    TestBench bench;
    AcquisitionCycle cycle{bench.ctx, bench.host, WorkerMode::Inline};
    void SetUpTimers() {
        bench.dispatch.Set(kTimerCycle, [this](uint32_t now) { cycle.OnTimer(now); });
    }
    // Runs until `n` cycles have started their reads.
    void RunCycles(size_t n) {
        bench.Run([&] { return bench.lib->readStarts.size() >= n && cycle.WorkerState() == 0; });
    }
};

TEST_F(CycleTest, IntervalScheduleStartsOnTimeAndCatchesUpAfterALongCycle) {
    SetUpTimers();
    bench.lib->clock = &bench.now;
    bench.lib->defaultCycleMs = 300;
    bench.lib->cycleMs = {300, 2500, 300, 300, 300};
    bench.options.intervalOn = 1;
    bench.host.edits[1017] = "1000";
    const uint32_t t0 = bench.now;
    ASSERT_TRUE(cycle.Start(t0));
    RunCycles(7);
    const auto& s = bench.lib->readStarts;
    ASSERT_GE(s.size(), 7u);
    EXPECT_EQ(s[0] - t0, 10u);
    EXPECT_EQ(s[1] - t0, 1010u);
    // The 2500 ms cycle (1010..3510) is handed over at the next poll, 3520;
    // the next one starts 10 ms after that, the schedule being far behind.
    EXPECT_EQ(s[2] - t0, 3530u);
    // Still behind (due 3010, then 4010): each follows at the 10 ms floor.
    EXPECT_EQ(s[3] - t0, 3850u);
    EXPECT_EQ(s[4] - t0, 4170u);
    // Caught up: back on the 1000 ms grid.
    EXPECT_EQ(s[5] - t0, 5010u);
    EXPECT_EQ(s[6] - t0, 6010u);
}

TEST_F(CycleTest, BackToBackCyclesPollEveryTenMilliseconds) {
    SetUpTimers();
    bench.lib->clock = &bench.now;
    bench.lib->defaultCycleMs = 45;
    const uint32_t t0 = bench.now;
    ASSERT_TRUE(cycle.Start(t0));
    RunCycles(3);
    const auto& s = bench.lib->readStarts;
    EXPECT_EQ(s[0] - t0, 10u);
    // 45 ms of reads, hand-over 10 ms later, next start 10 ms after that.
    EXPECT_EQ(s[1] - s[0], 65u);
    EXPECT_EQ(s[2] - s[1], 65u);
}

TEST_F(CycleTest, LoggingOnAdvancesEveryCycleAndShowsTheLastRecord) {
    SetUpTimers();
    bench.options.loggingOn = 1;
    ASSERT_TRUE(cycle.Start(bench.now));
    RunCycles(4);
    bench.Run([&] { return bench.doc.recordCount[0] >= 4; });
    EXPECT_EQ(bench.doc.recordCount[0], 4);
    EXPECT_EQ(bench.doc.recordCount[1], 4);
    EXPECT_EQ(bench.displayedRecord, 3);
    for (int r = 0; r < 4; ++r) {
        ASSERT_NE(bench.doc.recRaw(1, r), nullptr);
        EXPECT_EQ(bench.doc.recExposureUs(1, r), bench.doc.exposureUs[1]);
        EXPECT_GT(bench.doc.recTemperatureC(1, r), 0.0f);
    }
    EXPECT_GT(bench.host.draws, 3);
}

TEST_F(CycleTest, LoggingOffKeepsTheCounterExceptForKeepNext) {
    SetUpTimers();
    bench.options.loggingOn = 0;
    ASSERT_TRUE(cycle.Start(bench.now));
    RunCycles(3);
    EXPECT_EQ(bench.doc.recordCount[0], 0);  // every cycle rewrote slot 0

    cycle.OnOneShot(bench.now);  // while measuring: keep the next cycle
    EXPECT_TRUE(cycle.keepNext());
    RunCycles(5);
    EXPECT_EQ(bench.doc.recordCount[0], 1);
    EXPECT_FALSE(cycle.keepNext());
    RunCycles(7);
    EXPECT_EQ(bench.doc.recordCount[0], 1);
    EXPECT_EQ(bench.displayedRecord, 0);  // not moved by a kept cycle
}

TEST_F(CycleTest, KeepNextSetWhileLoggingIsConsumedByTheFirstNonLoggingCycle) {
    SetUpTimers();
    bench.options.loggingOn = 1;
    ASSERT_TRUE(cycle.Start(bench.now));
    cycle.OnOneShot(bench.now);
    RunCycles(2);
    EXPECT_EQ(bench.doc.recordCount[0], 2);
    EXPECT_TRUE(cycle.keepNext());  // logging cycles leave it alone
    bench.options.loggingOn = 0;
    RunCycles(4);
    EXPECT_EQ(bench.doc.recordCount[0], 3);  // one more, then it stays
    EXPECT_FALSE(cycle.keepNext());
}

TEST_F(CycleTest, AtTheLastSlotLoggedCyclesRewriteItAndTheDisplayStays) {
    SetUpTimers();
    bench.options.loggingOn = 1;
    bench.doc.recordCount[0] = bench.doc.recordCount[1] = LAST_RECORD - 1;
    ASSERT_TRUE(cycle.Start(bench.now));
    EXPECT_EQ(bench.displayedRecord, LAST_RECORD - 2);
    RunCycles(1);
    EXPECT_EQ(bench.doc.recordCount[0], LAST_RECORD);
    EXPECT_EQ(bench.displayedRecord, LAST_RECORD - 1);
    RunCycles(3);
    EXPECT_EQ(bench.doc.recordCount[0], LAST_RECORD);
    EXPECT_EQ(bench.displayedRecord, LAST_RECORD - 1);
    EXPECT_NE(bench.doc.recRaw(0, LAST_RECORD), nullptr);
}

TEST_F(CycleTest, OneShotKeepsOneRecordAndWritesStartAndEndLines) {
    SetUpTimers();
    bench.options.loggingOn = 0;
    cycle.OnOneShot(bench.now);
    EXPECT_TRUE(bench.measuring);
    EXPECT_FALSE(bench.host.enabled[1001]);
    EXPECT_FALSE(bench.host.enabled[1023]);
    bench.Run([] { return false; });  // until no timer is left
    EXPECT_FALSE(bench.measuring);
    EXPECT_EQ(bench.doc.recordCount[0], 1);
    EXPECT_EQ(bench.lib->readStarts.size(), 1u);
    const std::string history = Cp932ToUtf8(bench.doc.historyText);
    EXPECT_EQ(CountLines(history, "計測開始 DataNo=0 wave comp=0 1:serial=A1 exp="), 1);
    EXPECT_EQ(CountLines(history, "計測終了 DataNo=0\r\n"), 1);
    EXPECT_EQ(bench.host.caption, acq::kCaptionStart);
    EXPECT_TRUE(bench.host.enabled[1001]);
    EXPECT_TRUE(bench.host.enabled[1023]);
    EXPECT_TRUE(bench.doc.IsModified());
}

TEST_F(CycleTest, StartTakesEditsAndSetsEveryHeadsExposure) {
    bench.selectedHead = 1;
    bench.host.edits[1005] = " 2500xyz";
    bench.host.edits[1012] = "3";
    bench.host.edits[1017] = "250";
    ASSERT_TRUE(cycle.Start(bench.now));
    EXPECT_EQ(bench.doc.exposureUs[1], 2500);
    EXPECT_EQ(cycle.averageCount(), 3);
    EXPECT_EQ(cycle.intervalMs(), 250);
    EXPECT_EQ(cycle.nextDue(), bench.now + 10);
    ASSERT_EQ(bench.lib->exposureLog.size(), 2u);
    EXPECT_EQ(bench.lib->exposureLog[1], std::make_pair(1, 2500.0));
    EXPECT_EQ(bench.host.caption, acq::kCaptionStop);
    EXPECT_EQ(bench.host.LastLine1(), acq::kMsgPressStop);
    EXPECT_EQ(bench.timers.Due(kTimerCycle), bench.now + 10);
    EXPECT_FALSE(bench.host.enabled[1002]);  // RefreshControls ran for measuring
}

TEST_F(CycleTest, AveragingBelowOneIsRefusedWithNothingStarted) {
    bench.host.edits[1012] = "0";
    EXPECT_FALSE(cycle.Start(bench.now));
    EXPECT_FALSE(bench.measuring);
    EXPECT_FALSE(bench.timers.Any());
    EXPECT_TRUE(bench.doc.historyText.find("\x8c\x76") == std::string::npos);  // no start entry
    ASSERT_EQ(bench.dialogs.notices.size(), 1u);
    EXPECT_EQ(bench.dialogs.notices[0], acq::kNoticeAverageTooSmall);
    cycle.OnOneShot(bench.now);
    EXPECT_FALSE(bench.measuring);
    EXPECT_FALSE(cycle.keepNext());
    EXPECT_FALSE(cycle.oneShotPending());
}

// --- Threaded worker ---------------------------------------------------------

class ThreadedCycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        bench.DetectHeads();
        bench.dispatch.Set(kTimerCycle, [this](uint32_t now) { cycle.OnTimer(now); });
    }
    // Fires the next timer after moving the fake clock to it.
    void Step() {
        const auto next = bench.timers.Next();
        ASSERT_TRUE(next);
        bench.now = next->second;
        bench.dispatch.Fire(next->first, bench.now);
    }
    void WaitForWorker() {
        for (int i = 0; i < 5000 && cycle.WorkerState() != 2; ++i) std::this_thread::sleep_for(1ms);
        ASSERT_EQ(cycle.WorkerState(), 2);
    }
    TestBench bench;
    AcquisitionCycle cycle{bench.ctx, bench.host, WorkerMode::Threaded};
};

TEST_F(ThreadedCycleTest, ElapsedSecondsShowFromOneAndTheBusyFlagCoversTheReads) {
    bench.options.loggingOn = 1;
    bench.lib->CloseGate();
    ASSERT_TRUE(cycle.Start(bench.now));
    EXPECT_EQ(bench.busy.load(), 0);
    Step();  // launches the worker, which waits at the gate
    EXPECT_EQ(cycle.WorkerState(), 1);
    EXPECT_EQ(bench.busy.load(), 1);
    const size_t before = bench.host.messages.size();
    for (int i = 0; i < 99; ++i) Step();  // 990 ms of polling
    EXPECT_EQ(bench.host.messages.size(), before);
    Step();  // 1000 ms
    ASSERT_EQ(bench.host.messages.size(), before + 1);
    EXPECT_EQ(bench.host.LastLine1(), "計測中　経過時間  1 sec");
    for (int i = 0; i < 100; ++i) Step();
    EXPECT_EQ(bench.host.LastLine1(), "計測中　経過時間  2 sec");
    EXPECT_EQ(bench.host.messages.size(), before + 2);

    bench.lib->OpenGate();
    WaitForWorker();
    EXPECT_EQ(bench.busy.load(), 0);
    Step();  // hand-over
    EXPECT_EQ(cycle.WorkerState(), 0);
    EXPECT_EQ(bench.doc.recordCount[0], 1);
    // The grid rows came over from the worker's own workspace.
    EXPECT_NE(bench.ws.displaySpectrum[0][100], 0.0f);
    EXPECT_NE(bench.ws.displaySpectrum[1][100], 0.0f);
}

TEST_F(ThreadedCycleTest, ACycleUnderASecondShowsNoElapsedTime) {
    bench.lib->CloseGate();
    ASSERT_TRUE(cycle.Start(bench.now));
    Step();
    const size_t before = bench.host.messages.size();
    for (int i = 0; i < 50; ++i) Step();
    bench.lib->OpenGate();
    WaitForWorker();
    Step();
    EXPECT_EQ(bench.host.messages.size(), before);
    cycle.Stop();
}

TEST_F(ThreadedCycleTest, StopWhileTheWorkerRunsKeepsStartAndOneShotOffUntilHandOver) {
    bench.options.intervalOn = 1;
    bench.host.edits[1017] = "1000";
    bench.lib->CloseGate();
    ASSERT_TRUE(cycle.Start(bench.now));
    Step();
    ASSERT_EQ(cycle.WorkerState(), 1);
    cycle.Stop();
    EXPECT_FALSE(bench.measuring);
    EXPECT_FALSE(bench.host.enabled[1001]);
    EXPECT_FALSE(bench.host.enabled[1023]);
    EXPECT_TRUE(cycle.ProcessingBlocked());
    // Neither a new start nor a one-shot may start a second worker over it.
    EXPECT_FALSE(cycle.Start(bench.now));
    cycle.OnOneShot(bench.now);
    EXPECT_FALSE(bench.measuring);
    // Anyone refreshing meanwhile gets the measuring picture.
    cycle.RefreshControls();
    EXPECT_FALSE(bench.host.enabled[1001]);
    EXPECT_FALSE(bench.host.enabled[1035]);
    EXPECT_FALSE(bench.host.enabled[1023]);
    Step();
    EXPECT_FALSE(bench.host.enabled[1001]);

    bench.lib->OpenGate();
    WaitForWorker();
    Step();  // results in: RefreshControls
    EXPECT_EQ(cycle.WorkerState(), 0);
    EXPECT_FALSE(cycle.ProcessingBlocked());
    EXPECT_TRUE(bench.host.enabled[1001]);
    EXPECT_TRUE(bench.host.enabled[1023]);
    EXPECT_TRUE(bench.host.enabled[1035]);
    EXPECT_FALSE(bench.timers.Pending(kTimerCycle));
}

// Windows sleeps whole milliseconds: a shorter wait would not wait at all.
#if defined(_WIN32)
constexpr auto kWorkerPoll = 1ms;
#else
constexpr auto kWorkerPoll = 100us;
#endif

TEST_F(ThreadedCycleTest, ManyCyclesRunCleanlyUnderTheSanitizer) {
    bench.options.loggingOn = 1;
    ASSERT_TRUE(cycle.Start(bench.now));
    for (int i = 0; i < 20000 && bench.doc.recordCount[0] < 25; ++i) {
        Step();
        if (cycle.WorkerState() == 1) std::this_thread::sleep_for(kWorkerPoll);
    }
    EXPECT_EQ(bench.doc.recordCount[0], 25);
    cycle.Stop();
    for (int i = 0; i < 20000 && (bench.timers.Any()); ++i) {
        if (cycle.WorkerState() == 1) std::this_thread::sleep_for(kWorkerPoll);
        Step();
    }
    EXPECT_FALSE(cycle.WorkerActive());
    EXPECT_EQ(bench.busy.load(), 0);
}

}  // namespace
}  // namespace vmf::test
