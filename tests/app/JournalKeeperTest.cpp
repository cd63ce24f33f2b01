// Journals left behind at start-up: OK restores the store and carries the
// journal on, Cancel moves it aside, a live journal is not touched.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "app/JournalKeeper.h"
#include "fakes/ScriptedDialogs.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/JournalFormat.h"

namespace vmf {
namespace {

namespace fs = std::filesystem;

class JournalKeeperTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vmf-keeper-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A journal as a crashed session leaves it: one head, `records` records.
    std::string LeaveJournal(const std::string& name, int records) {
        auto doc = std::make_unique<Cvarnello_mfDoc>();
        doc->headCount = 1;
        doc->headKind[0] = "C12880MA";
        doc->serialNo[0] = "SN-OLD";
        doc->historyText = "2026/12/08 10:00:00,start\r\n";
        RecordJournal journal((dir / name).string());
        std::string error;
        EXPECT_TRUE(journal.Begin(*doc, error)) << error;
        for (int r = 0; r < records; ++r) {
            doc->EnsureRecordArrays(0, r);
            doc->recRaw(0, r)[7] = static_cast<float>(r);
            doc->recTimeUtcMs(0, r) = 1796722138000 + r;
            doc->AdvanceRecords();
            journal.AppendRecords(*doc, {r, -1, -1, -1, -1, -1, -1, -1, -1, -1}, 1);
        }
        journal.Flush();
        return journal.Path();
    }

    fs::path dir;
    Cvarnello_mfDoc doc;
    test::ScriptedDialogs dialogs;
};

TEST_F(JournalKeeperTest, OkRestoresTheStoreAndItsJournalGoesOn) {
    const std::string left = LeaveJournal("recording-old.vqjournal", 3);
    JournalKeeper keeper(doc, dialogs, dir.string());
    dialogs.okCancelAnswers = {true};
    ASSERT_TRUE(keeper.OfferRecovery());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    // Local times of the records as measured (offset 0 here).
    EXPECT_EQ(dialogs.asked[0],
              "前回、保存されないまま終了した計測データがあります。\n\n"
              "ヘッド 1 (SN-OLD): 記録 3 件\n"
              "最初の記録: 2026-12-08 09:28:58.000+00:00\n"
              "最後の記録: 2026-12-08 09:28:58.002+00:00\n\n"
              "復元しますか?\n\n"
              "キャンセルを選ぶと、このデータは復元しなかった記録を残しておくフォルダ\n（" +
                  (dir / "set-aside").string() + "）に移して残します。");
    EXPECT_EQ(doc.recordCount[0], 3);
    EXPECT_EQ(doc.recRaw(0, 2)[7], 2.0f);
    EXPECT_EQ(doc.recTimeUtcMs(0, 2), 1796722138002);
    EXPECT_EQ(doc.historyText, "2026/12/08 10:00:00,start\r\n");
    EXPECT_EQ(doc.title, "復元された計測データ");
    EXPECT_TRUE(doc.IsModified());
    // The records now live in this session's journal only.
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(keeper.Journal().IsOpen());
    auto again = std::make_unique<Cvarnello_mfDoc>();
    JournalReplay replay;
    std::string error;
    ASSERT_TRUE(ReplayJournalFile(keeper.Journal().Path(), *again, replay, error));
    EXPECT_EQ(again->recordCount[0], 3);
    keeper.Discard();
    EXPECT_FALSE(fs::exists(keeper.Journal().Path()));
}

TEST_F(JournalKeeperTest, CancelSetsItAsideAndALiveJournalIsLeftAlone) {
    const std::string left = LeaveJournal("recording-old.vqjournal", 2);
    Cvarnello_mfDoc other;
    RecordJournal live((dir / "recording-live.vqjournal").string());
    std::string error;
    ASSERT_TRUE(live.Begin(other, error));

    JournalKeeper keeper(doc, dialogs, dir.string());
    dialogs.okCancelAnswers = {false};
    EXPECT_FALSE(keeper.OfferRecovery());
    EXPECT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(doc.recordCount[0], 0);
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(dir / "set-aside" / "recording-old.vqjournal"));
    EXPECT_TRUE(fs::exists(live.Path()));
    EXPECT_TRUE(keeper.LeftBehind().empty());
    live.Remove();
}

}  // namespace
}  // namespace vmf
