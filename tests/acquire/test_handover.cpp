// The hand-over driven by the worker's completion event, on a fake clock:
// back-to-back cycles follow each other without polling gaps, the interval
// grid stays, the one-shot and keep-next rules hold, Stop landing in a cycle
// keeps it, and redraws are paced while every cycle is counted.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "AcquireTestBench.h"
#include "acquire/DrawPacer.h"
#include "store/TextCodec.h"

namespace vmf::test {
namespace {

using namespace std::chrono_literals;

class HandOverTest : public ::testing::Test {
protected:
    void SetUp() override {
        bench.DetectHeads();
        bench.WireCycle(cycle);
        bench.lib->clock = &bench.now;
    }
    void RunCycles(int n) {
        bench.Run([&] { return bench.host.handOvers >= n; });
    }
    void RunToTheEnd() {
        bench.Run([] { return false; });
    }
    // Every gap between two redraws while measuring is at least the pace.
    void ExpectPaced(size_t draws) const {
        const auto& t = bench.host.drawTimes;
        for (size_t i = 1; i < draws && i < t.size(); ++i)
            EXPECT_GE(t[i] - t[i - 1], DrawPacer::kMinGapMs) << "redraw " << i;
    }
    TestBench bench;
    AcquisitionCycle cycle{bench.ctx, bench.host, WorkerMode::Inline};
};

TEST_F(HandOverTest, BackToBackCyclesStartRightAfterTheHandOver) {
    bench.lib->defaultCycleMs = 45;
    bench.options.loggingOn = 1;
    const uint32_t t0 = bench.now;
    ASSERT_TRUE(cycle.Start(t0));
    RunCycles(3);
    EXPECT_EQ(bench.StartsSince(t0, 3), (std::vector<uint32_t>{10, 55, 100}));
    EXPECT_EQ(bench.doc.recordCount[0], 3);
    EXPECT_EQ(bench.displayedRecord, 2);
    EXPECT_EQ(bench.host.draws, 3);  // slower than the pace: every cycle drawn
    cycle.Stop();
    RunToTheEnd();
}

TEST_F(HandOverTest, IntervalScheduleKeepsItsGridAndFloor) {
    bench.ScriptLongCycleAmongIntervals();
    const uint32_t t0 = bench.now;
    ASSERT_TRUE(cycle.Start(t0));
    RunCycles(7);
    // The 2500 ms cycle ends at 3510 and is handed over then; far behind the
    // schedule, the next starts at the 10 ms floor, and so do two more; then
    // back on the 1000 ms grid.
    EXPECT_EQ(bench.StartsSince(t0, 7),
              (std::vector<uint32_t>{10, 1010, 3520, 3830, 4140, 5010, 6010}));
}

TEST_F(HandOverTest, OneShotAndKeepNextKeepOneRecordEach) {
    bench.lib->defaultCycleMs = 5;
    bench.options.loggingOn = 0;
    cycle.OnOneShot(bench.now);
    RunToTheEnd();
    EXPECT_FALSE(bench.measuring);
    EXPECT_EQ(bench.doc.recordCount[0], 1);
    EXPECT_EQ(bench.lib->readStarts.size(), 1u);
    EXPECT_EQ(bench.host.draws, 1);
    EXPECT_TRUE(bench.host.enabled[1001]);
    EXPECT_TRUE(bench.host.enabled[1023]);

    ASSERT_TRUE(cycle.Start(bench.now));
    RunCycles(4);
    EXPECT_EQ(bench.doc.recordCount[0], 1);  // not logging: slot 1 rewritten
    cycle.OnOneShot(bench.now);              // while measuring: keep the next
    RunCycles(8);
    EXPECT_EQ(bench.doc.recordCount[0], 2);
    EXPECT_FALSE(cycle.keepNext());
    EXPECT_EQ(bench.displayedRecord, 0);
    cycle.Stop();
    RunToTheEnd();
    EXPECT_EQ(bench.doc.recordCount[0], 2);
}

TEST_F(HandOverTest, FastCyclesAreAllKeptWhileRedrawsArePacedAndTheLastIsDrawn) {
    bench.lib->defaultCycleMs = 4;
    bench.options.loggingOn = 1;
    bench.options.autoSaveOn = 1;
    const uint32_t t0 = bench.now;
    ASSERT_TRUE(cycle.Start(t0));
    RunCycles(250);  // a second of 4 ms cycles
    EXPECT_EQ(bench.doc.recordCount[0], 250);
    EXPECT_EQ(bench.host.autoSaves, 250);
    const int drawsWhileMeasuring = bench.host.draws;
    EXPECT_GE(drawsWhileMeasuring, 25);
    EXPECT_LE(drawsWhileMeasuring, 31);
    EXPECT_EQ(bench.host.infoBars, drawsWhileMeasuring);

    // Inline, the 251st cycle has been read already: Stop lands in it, it is
    // handed over, kept and drawn, and no further cycle is begun.
    ASSERT_EQ(cycle.WorkerState(), 2);
    cycle.Stop();
    RunToTheEnd();
    EXPECT_EQ(bench.doc.recordCount[0], 251);
    EXPECT_EQ(bench.lib->readStarts.size(), 251u);
    EXPECT_EQ(bench.displayedRecord, 250);
    EXPECT_EQ(bench.host.draws, drawsWhileMeasuring + 1);
    EXPECT_EQ(bench.host.drawTimes.back() - t0, 1014u);  // the 251st hand-over
    ExpectPaced(static_cast<size_t>(drawsWhileMeasuring));
    EXPECT_NE(Cp932ToUtf8(bench.doc.historyText).find("計測終了 DataNo=249\r\n"),
              std::string::npos);
    EXPECT_TRUE(bench.host.enabled[1001]);
}

TEST_F(HandOverTest, ResultsHeldBackBetweenIntervalCyclesAreDrawnLaterAndAtStop) {
    bench.lib->defaultCycleMs = 2;
    bench.options.loggingOn = 1;
    bench.options.intervalOn = 1;
    bench.host.edits[1017] = "20";
    const uint32_t t0 = bench.now;
    ASSERT_TRUE(cycle.Start(t0));
    // Cycles start at 10, 30, 50 (relative to Start) and are handed over 2 ms
    // later. 12 is drawn; 32 is held back until the start tick at 50, which
    // draws it before that cycle begins; 52 waits again.
    RunCycles(3);
    ASSERT_EQ(bench.host.drawTimes.size(), 2u);
    EXPECT_EQ(bench.host.drawTimes[0] - t0, 12u);
    EXPECT_EQ(bench.host.drawTimes[1] - t0, 50u);
    ASSERT_EQ(cycle.WorkerState(), 0);
    cycle.Stop();
    EXPECT_EQ(bench.host.draws, 3);  // the third cycle, the last before Stop
    RunToTheEnd();
    EXPECT_EQ(bench.host.draws, 3);
    EXPECT_EQ(bench.doc.recordCount[0], 3);
}

// The completion event raised from a real worker thread.
TEST_F(HandOverTest, StopLandingInAThreadedCycleKeepsItAtTheEvent) {
    bench.lib->clock = nullptr;  // the clock is the test's alone
    cycle.SetWorkerMode(WorkerMode::Threaded);
    bench.options.loggingOn = 1;
    bench.lib->CloseGate();
    ASSERT_TRUE(cycle.Start(bench.now));
    bench.now += 10;
    bench.dispatch.Fire(kTimerCycle, bench.now);
    ASSERT_EQ(cycle.WorkerState(), 1);
    cycle.Stop();
    EXPECT_FALSE(bench.host.enabled[1001]);
    EXPECT_FALSE(bench.host.enabled[1023]);
    bench.lib->OpenGate();
    for (int i = 0; i < 5000 && cycle.WorkerState() != 2; ++i) std::this_thread::sleep_for(1ms);
    ASSERT_EQ(cycle.WorkerState(), 2);
    // The event comes before the poll is due.
    for (int i = 0; i < 5000 && !bench.cycleDone.Take(); ++i) std::this_thread::sleep_for(1ms);
    cycle.OnCycleDone(bench.now);
    EXPECT_EQ(cycle.WorkerState(), 0);
    EXPECT_EQ(bench.doc.recordCount[0], 1);
    EXPECT_EQ(bench.host.draws, 1);
    EXPECT_EQ(bench.busy.load(), 0);
    EXPECT_TRUE(bench.host.enabled[1001]);
    EXPECT_TRUE(bench.host.enabled[1002]);
    // A late poll finds nothing to do and starts nothing.
    bench.now += 10;
    bench.dispatch.Fire(kTimerCycle, bench.now);
    EXPECT_FALSE(cycle.WorkerActive());
    EXPECT_EQ(bench.doc.recordCount[0], 1);
}

// The redraw pacer's boundary: cycles exactly the minimum gap (33 ms) apart
// are each drawn; a millisecond less and every other one waits.
TEST_F(HandOverTest, CyclesExactlyTheRedrawGapApartAreEachDrawn) {
    bench.options.loggingOn = 1;
    for (const uint32_t cycleMs : {33u, 32u}) {
        bench.lib->defaultCycleMs = cycleMs;
        bench.host.draws = 0;
        const int before = bench.host.handOvers;
        ASSERT_TRUE(cycle.Start(bench.now));
        bench.Run([&] { return bench.host.handOvers >= before + 6; });
        EXPECT_EQ(bench.host.draws, cycleMs == 33 ? 6 : 3) << cycleMs;
        cycle.Stop();
        RunToTheEnd();
    }
}

}  // namespace
}  // namespace vmf::test
