// A recovery journal that fails while measuring (a full disk): the run stops
// before another cycle, the history says why, and the operator is asked, and
// must answer, whether to save now; a run that starts without a journal says
// so. On the fake clock and a journal file layer that fails on request.

#include <gtest/gtest.h>

#include <filesystem>

#include "AcquireTestBench.h"
#include "fakes/FakeJournalIo.h"
#include "fakes/TestEnv.h"
#include "store/RecordJournal.h"
#include "store/TextCodec.h"

namespace vmf::test {
namespace {

class JournalFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        bench.DetectHeads();
        bench.WireCycle(cycle);
        bench.lib->clock = &bench.now;
        bench.lib->defaultCycleMs = 20;
        bench.options.loggingOn = 1;
        bench.ctx.journal = &journal;
    }
    void TearDown() override { journal.Remove(); }
    // The journal's next write fails; returns once the writer has seen it.
    void FailJournal() {
        io.FailWrites(true);
        std::array<int, MAX_HEADS> none;
        none.fill(-1);
        journal.AppendRecords(bench.doc, none, 0);
        ASSERT_FALSE(journal.Flush());
    }
    std::string Question() const {
        return "記録ジャーナルに書き込めなくなったため、計測を停止しました。\n(" + journal.Path() +
               ": No space left on "
               "device)\n\nここまでの記録はまだ保存されていません。いま保存しますか?";
    }
    std::string History() const { return Cp932ToUtf8(bench.doc.historyText); }

    const std::string path = (std::filesystem::temp_directory_path() /
                              ("vmf-jfail-" + std::to_string(ProcessId()) + ".vqjournal"))
                                 .string();
    FakeJournalIo io;
    RecordJournal journal{path, &io};
    TestBench bench;
    AcquisitionCycle cycle{bench.ctx, bench.host, WorkerMode::Inline};
};

TEST_F(JournalFailureTest, AtTheHandOverTheRunStopsAndSavingIsOffered) {
    ASSERT_TRUE(cycle.Start(bench.now));
    bench.Run([&] { return bench.host.handOvers >= 3; });
    FailJournal();
    bench.Run([] { return false; });
    EXPECT_FALSE(bench.measuring);
    EXPECT_EQ(bench.doc.recordCount[0], 4);  // the cycle that saw it is kept
    EXPECT_EQ(bench.dialogs.asked, std::vector<std::string>{Question()});
    EXPECT_EQ(bench.host.saves, 1);
    const std::string history = History();
    const auto failed = history.find("記録ジャーナル書込み失敗 DataNo=3\r\n");
    ASSERT_NE(failed, std::string::npos) << history;
    EXPECT_NE(history.find("計測終了 DataNo=3\r\n", failed), std::string::npos) << history;
}

TEST_F(JournalFailureTest, BetweenIntervalCyclesItStopsAtOnceAndAStartWithoutJournalIsTold) {
    bench.options.intervalOn = 1;
    bench.host.edits[1017] = "60000";
    ASSERT_TRUE(cycle.Start(bench.now));
    bench.Run([&] { return bench.host.handOvers >= 1; });
    ASSERT_FALSE(cycle.WorkerActive());
    FailJournal();
    bench.dialogs.okCancelAnswers = {false};
    cycle.OnJournalFailed();  // the journal's notifier, on the panel's thread
    EXPECT_FALSE(bench.measuring);
    EXPECT_EQ(bench.dialogs.asked, std::vector<std::string>{Question()});
    EXPECT_EQ(bench.host.saves, 0);
    cycle.OnJournalFailed();  // told once
    EXPECT_EQ(bench.dialogs.asked.size(), 1u);

    // Not saved, started again: measuring goes on, and the operator knows
    // these records have no journal.
    ASSERT_TRUE(cycle.Start(bench.now));
    EXPECT_TRUE(bench.measuring);
    EXPECT_EQ(bench.dialogs.notices.back(),
              "記録ジャーナルを作成できません。\n(" + journal.Path() +
                  ": No space left on device)\n\n"
                  "計測は続けますが、保存するまでの記録は異常終了に備えて保護されません。");
    bench.Run([&] { return bench.host.handOvers >= 2; });
    EXPECT_TRUE(bench.measuring);
    cycle.Stop();
    bench.Run([] { return false; });
}

}  // namespace
}  // namespace vmf::test
