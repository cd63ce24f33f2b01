// The file commands against the real store, with scripted answers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/DocumentSession.h"
#include "app/RecentFileList.h"
#include "common/DocumentNaming.h"
#include "common/FileWork.h"
#include "common/ProgressPacing.h"
#include "fakes/ScriptedDialogs.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

namespace fs = std::filesystem;
using Outcome = DocumentSession::OpenOutcome;

// Also remembers the path each save dialog proposed.
class Dialogs : public test::ScriptedDialogs {
public:
    std::vector<std::string> proposals;
    std::optional<std::string> SaveFileName(const std::string& t, const std::string& f,
                                            const std::string& s) override {
        proposals.push_back(s);
        return ScriptedDialogs::SaveFileName(t, f, s);
    }
};

class DocumentSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vmf-session-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string WriteDataFile(const std::string& name, const std::string& history) {
        Cvarnello_mfDoc source;
        source.historyText = history;
        std::string error;
        const std::string path = (dir / name).string();
        EXPECT_TRUE(source.SaveToFile(path, error)) << error;
        return path;
    }
    std::string WriteRaw(const std::string& name, const std::string& bytes) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    fs::path dir;
    Cvarnello_mfDoc doc;
    Dialogs dialogs;
    RecentFileList recent;
    DocumentSession session{doc, dialogs, recent};
};

TEST_F(DocumentSessionTest, NewKeepsTheContentAndAsksOnlyWhenModified) {
    doc.historyText = "kept\r\n";
    doc.title = "T";
    doc.pathName = "/x/T.vqdata";
    EXPECT_TRUE(session.New());
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(doc.title, "");
    EXPECT_EQ(doc.pathName, "");
    EXPECT_EQ(doc.historyText, "kept\r\n");

    doc.SetModifiedFlag(true);
    dialogs.yesNoCancelAnswers = {-1};
    EXPECT_FALSE(session.New());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0], "無題 への変更を保存しますか?");
    EXPECT_TRUE(doc.IsModified());

    dialogs.yesNoCancelAnswers = {0};
    EXPECT_TRUE(session.New());
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocumentSessionTest, YesOnTheSavePromptSavesAsForAnUntitledStore) {
    doc.historyText = "note\r\n";
    doc.title = "A1234567_20261207_101010";
    doc.SetModifiedFlag(true);
    dialogs.yesNoCancelAnswers = {1};
    dialogs.fileAnswers = {(dir / "saved").string()};
    EXPECT_TRUE(session.New());
    EXPECT_EQ(dialogs.asked[0], "A1234567_20261207_101010 への変更を保存しますか?");
    ASSERT_EQ(dialogs.proposals.size(), 1u);
    EXPECT_EQ(dialogs.proposals[0], "A1234567_20261207_101010.vqdata");
    EXPECT_TRUE(fs::exists(dir / "saved.vqdata"));  // the default extension was added
    EXPECT_EQ(recent.entries().front(), (dir / "saved.vqdata").string());

    // Yes, then Cancel in the file dialog: the command is abandoned.
    doc.SetModifiedFlag(true);
    doc.pathName.clear();
    dialogs.yesNoCancelAnswers = {1};
    EXPECT_FALSE(session.SaveModified());
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(DocumentSessionTest, OpenReadsTheFileAndNamesTheDocumentAfterIt) {
    const std::string path = WriteDataFile("run1.vqdata", "from file\r\n");
    doc.historyText = "current\r\n";
    EXPECT_EQ(session.OpenPath(path), Outcome::Opened);
    EXPECT_EQ(doc.historyText, "from file\r\n");
    EXPECT_EQ(doc.title, "run1.vqdata");
    EXPECT_EQ(doc.pathName, path);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(recent.entries().front(), path);

    // The same file again is not read again, and nothing is asked.
    doc.historyText = "edited\r\n";
    doc.SetModifiedFlag(true);
    EXPECT_EQ(session.OpenPath(path), Outcome::AlreadyOpen);
    EXPECT_EQ(doc.historyText, "edited\r\n");
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(DocumentSessionTest, ABadFileLeavesStoreAndTitleAsTheyWere) {
    const std::string bad = WriteRaw("bad.vqdata", "this is not a data file at all");
    doc.historyText = "keep\r\n";
    doc.headCount = 0;
    doc.title = "A1234567_20261207_101010";
    doc.pathName = "";
    EXPECT_EQ(session.OpenPath(bad), Outcome::Failed);
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_EQ(dialogs.notices[0], "予期しないファイル形式です。");
    EXPECT_EQ(doc.historyText, "keep\r\n");
    EXPECT_EQ(doc.title, "A1234567_20261207_101010");
    EXPECT_EQ(doc.pathName, "");
    EXPECT_TRUE(recent.entries().empty());
}

TEST_F(DocumentSessionTest, AMissingFileIsReportedAndDropsOutOfTheRecentList) {
    const std::string missing = (dir / "gone.vqdata").string();
    recent.Add(missing);
    EXPECT_EQ(session.OpenPath(missing), Outcome::Failed);
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_EQ(dialogs.notices[0], "ファイル " + missing + " を開くことができません。");
    EXPECT_TRUE(recent.entries().empty());
    // A folder is not a data file either.
    EXPECT_EQ(session.OpenPath(dir.string()), Outcome::Failed);
}

TEST_F(DocumentSessionTest, CancelledOpenDialogChangesNothing) {
    doc.SetModifiedFlag(true);
    EXPECT_EQ(session.Open(), Outcome::Cancelled);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(dialogs.asked, (std::vector<std::string>{"開く"}));
}

TEST_F(DocumentSessionTest, SaveWritesToTheOpenedFileAndKeepsTheDetectionTitle) {
    const std::string path = WriteDataFile("run1.vqdata", "");
    ASSERT_EQ(session.OpenPath(path), Outcome::Opened);
    doc.title = "A1234567_20261207_101010";  // a detection renames the document
    doc.historyText = "after detection\r\n";
    doc.SetModifiedFlag(true);
    EXPECT_TRUE(session.Save());
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(doc.title, "A1234567_20261207_101010");
    EXPECT_FALSE(doc.IsModified());
    Cvarnello_mfDoc back;
    std::string error;
    ASSERT_TRUE(back.LoadFromFile(path, error)) << error;
    EXPECT_EQ(back.historyText, "after detection\r\n");

    // Save As proposes the file and renames the document after the new one.
    dialogs.fileAnswers = {(dir / "copy.vqdata").string()};
    EXPECT_TRUE(session.SaveAs());
    EXPECT_EQ(dialogs.proposals.back(), path);
    EXPECT_EQ(doc.title, "copy.vqdata");
}

TEST_F(DocumentSessionTest, AFailedSaveIsReportedAndTheStoreStaysModified) {
    doc.pathName = (dir / "no-such-folder" / "x.vqdata").string();
    doc.title = "x.vqdata";
    doc.SetModifiedFlag(true);
    EXPECT_FALSE(session.Save());
    EXPECT_EQ(dialogs.notices.size(), 1u);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(recent.entries().empty());
}

TEST(DocumentNaming, CaptionsAndProposedNames) {
    EXPECT_EQ(FrameCaption(""), "varnello_mf - 無題");
    EXPECT_EQ(FrameCaption("run.vqdata"), "varnello_mf - run.vqdata");
    EXPECT_EQ(ProposedSaveName(""), "無題.vqdata");
    EXPECT_EQ(ProposedSaveName("A_B_20261207"), "A_B_20261207.vqdata");
    EXPECT_EQ(ProposedSaveName("ab:cd"), "ab.vqdata");
    EXPECT_EQ(ProposedSaveName("ab\\cd/ef"), "ab.vqdata");
    EXPECT_EQ(FileNameOf("C:\\data\\run.vqdata"), "run.vqdata");
    EXPECT_EQ(FileNameOf("/home/u/run.vqdata"), "run.vqdata");
    EXPECT_EQ(WithDefaultExtension("/d/run"), "/d/run.vqdata");
    EXPECT_EQ(WithDefaultExtension("/d.x/run.csv"), "/d.x/run.csv");
    EXPECT_EQ(WithDefaultExtension("/d.x/run"), "/d.x/run.vqdata");
}

// File work as the window runs it, with the operator's Cancel pressed at once
// or another job still running.
class ScriptedWork : public FileWork {
public:
    bool cancel = false;
    bool busy = false;
    std::vector<std::string> captions;
    bool Run(const std::string& caption, const FileJob& job) override {
        if (busy) return false;
        captions.push_back(caption);
        FileProgress progress;
        progress.cancel = cancel;
        job(progress);
        return true;
    }
    bool Running() const override { return busy; }
};

class FileWorkSessionTest : public DocumentSessionTest {
protected:
    ScriptedWork work;
    DocumentSession worked{doc, dialogs, recent, &work};
};

TEST_F(FileWorkSessionTest, CancelledOpenAndSaveChangeNothingAndSayNothing) {
    const std::string other = WriteDataFile("other.vqdata", "other\r\n");
    const std::string mine = WriteDataFile("mine.vqdata", "mine\r\n");
    ASSERT_EQ(worked.OpenPath(mine), Outcome::Opened);
    EXPECT_EQ(work.captions.front(), "mine.vqdata を読み込んでいます");
    std::ifstream in(mine, std::ios::binary);
    const std::string before((std::istreambuf_iterator<char>(in)), {});

    work.cancel = true;
    doc.historyText = "changed\r\n";
    doc.SetModifiedFlag(true);
    EXPECT_FALSE(worked.Save());
    EXPECT_EQ(work.captions.back(), "mine.vqdata を保存しています");
    EXPECT_TRUE(doc.IsModified());
    std::ifstream again(mine, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);  // no temporary left

    doc.SetModifiedFlag(false);
    EXPECT_EQ(worked.OpenPath(other), Outcome::Cancelled);
    EXPECT_EQ(doc.historyText, "changed\r\n");
    EXPECT_EQ(doc.title, "mine.vqdata");
    EXPECT_EQ(recent.entries(), std::vector<std::string>{mine});
    EXPECT_TRUE(dialogs.notices.empty());
}

TEST_F(FileWorkSessionTest, CommandsReachedDuringFileWorkAreRefused) {
    const std::string other = WriteDataFile("other.vqdata", "other\r\n");
    work.busy = true;
    EXPECT_EQ(worked.OpenPath(other), Outcome::Cancelled);
    doc.pathName = other;
    EXPECT_FALSE(worked.Save());
    EXPECT_EQ(dialogs.notices,
              (std::vector<std::string>{"ファイルの読み書き中です。終わるまでお待ちください。",
                                        "ファイルの読み書き中です。終わるまでお待ちください。"}));
    EXPECT_TRUE(doc.historyText.empty());
}

TEST(ProgressPacing, OnlyWorkExpectedToTakeLongGetsTheDialog) {
    const ProgressPacing pacing;
    const uint64_t total = 2'000'000'000;
    // A file read in 50 ms never shows it.
    for (int64_t t : {0, 10, 49}) EXPECT_FALSE(pacing.DialogDue(t, total * t / 50, total));
    // A quarter done at 150 ms: 600 ms in all, shown.
    EXPECT_FALSE(pacing.DialogDue(100, total / 4, total));
    EXPECT_TRUE(pacing.DialogDue(150, total / 4, total));
    // Nine tenths at 300 ms: about to end, not shown.
    EXPECT_FALSE(pacing.DialogDue(300, total / 10 * 9, total));
    // Unknown size, or all bytes down and still syncing: shown once late.
    EXPECT_FALSE(pacing.DialogDue(600, 0, 0));
    EXPECT_TRUE(pacing.DialogDue(700, 0, 0));
    EXPECT_FALSE(pacing.DialogDue(400, total, total));
    EXPECT_TRUE(pacing.DialogDue(700, total, total));
}

TEST(ProgressPacing, PercentOfBytesStopsAt99UntilDone) {
    EXPECT_EQ(ProgressPercent(0, 0), 0);
    EXPECT_EQ(ProgressPercent(1, 3), 33);
    EXPECT_EQ(ProgressPercent(1'999'999'999, 2'000'000'000), 99);
    EXPECT_EQ(ProgressPercent(2'000'000'000, 2'000'000'000), 100);
    EXPECT_EQ(ProgressPercent(5, 4), 100);
}

}  // namespace
}  // namespace vmf

namespace vmf {
namespace {

// The recovery journal may go exactly when the records are saved or the user
// drops them; File New keeps them in the store, so its No keeps the journal.
TEST_F(DocumentSessionTest, RecordsSettleOnSaveAndOnNoBeforeDroppingThem) {
    int settled = 0;
    session.SetRecordsSettled([&] { ++settled; });
    doc.SetModifiedFlag(true);
    dialogs.yesNoCancelAnswers = {0};
    ASSERT_TRUE(session.New());
    EXPECT_EQ(settled, 0);

    doc.SetModifiedFlag(true);
    dialogs.yesNoCancelAnswers = {-1};
    EXPECT_FALSE(session.SaveModified());
    EXPECT_EQ(settled, 0);
    dialogs.yesNoCancelAnswers = {0};
    EXPECT_TRUE(session.SaveModified());
    EXPECT_EQ(settled, 1);

    dialogs.fileAnswers = {(dir / "kept.vqdata").string()};
    ASSERT_TRUE(session.SaveAs());
    EXPECT_EQ(settled, 2);
    dialogs.fileAnswers = {(dir / "no-such-folder" / "x.vqdata").string()};
    EXPECT_FALSE(session.SaveAs());
    EXPECT_EQ(settled, 2);
}

}  // namespace
}  // namespace vmf
