// The panel while file work runs and when it is cancelled: the commands that
// read or change the store wait with a message and change nothing; a
// cancelled comparison load keeps the comparison shown, a cancelled CSV save
// the file that was there; a CSV written on the worker is the writer's.

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "common/FileJobRunner.h"
#include "csv/CSaveCSVDlg.h"
#include "csv/CsvWriter.h"
#include "fakes/PanelFixture.h"
#include "panel/BrowseController.h"
#include "panel/PanelCommands.h"

namespace vmf {
namespace {

const char* const kBench = "3:head:AAA;5:head:BBB;scene=halogen;timescale=0";
const char* const kRefused = "ファイルの読み書き中です。終わるまでお待ちください。";

// File work with the operator's Cancel pressed before the first byte.
class CancellingWork : public FileWork {
public:
    bool Run(const std::string&, const FileJob& job) override {
        FileProgress progress;
        progress.cancel = true;
        job(progress);
        return true;
    }
    bool Running() const override { return false; }
};

struct Panel : test::PanelFixture {
    explicit Panel(FileWork& work)
        : test::PanelFixture(kBench, {.detect = true, .fileWork = &work}) {
        RecordFromBench(3, 10, 25.0f, 1.0f);
        view->ShowRecordCount();
        dialogs.asked.clear();
    }
    void AnswerCsvDialog(int target) {
        view->commands().SetCsvDialogRunner([target](CSaveCSVDlg& dlg) {
            dlg.show();
            qobject_cast<QComboBox*>(dlg.Control(1068))->setCurrentIndex(target);
            dlg.accept();
            dlg.hide();
            return true;
        });
    }
    // A data file of one head with `records` records: past 256 KiB (about
    // 120 records) it is read in more than one buffer, and so can be
    // cancelled part-way.
    std::string SaveComparison(const char* name, const std::string& history, int records = 0) {
        Cvarnello_mfDoc source;
        source.historyText = history;
        source.headCount = 1;
        source.channelCount[0] = MAX_CHANNELS;
        for (int r = 0; r < records; ++r) source.EnsureRecordArrays(0, r);
        source.recordCount[0] = records;
        std::string error;
        if (!source.SaveToFile(Path(name), error)) qWarning("%s", error.c_str());
        return Path(name);
    }
};

}  // namespace

class FileWorkPanelTest : public QObject {
    Q_OBJECT
private slots:
    void commandsWaitForRunningFileWork() {
        FileJobRunner runner(nullptr);
        Panel p(runner);
        p.dialogs.fileAnswers = {p.SaveComparison("c.vqdata", "c")};
        const QString position = p.Text(ctl::Position);
        std::atomic<bool> release{false};
        QTimer::singleShot(0, [&] {
            for (int id :
                 {ctl::Start, ctl::Detect, ctl::ClearData, ctl::Compare, ctl::Csv, ctl::Next})
                p.Click(id);
            release = true;
        });
        QVERIFY(runner.Run("wait", [&](FileProgress&) {
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }));
        QCOMPARE(p.dialogs.asked,
                 (std::vector<std::string>{kRefused, kRefused, kRefused, kRefused, kRefused}));
        QCOMPARE(p.Caption(ctl::Start), QStringLiteral("開始"));
        QVERIFY(p.view->state().detected);
        QCOMPARE(p.doc.recordCount[0], 3);
        QCOMPARE(p.Text(ctl::Position), position);
        QVERIFY(!p.view->browse().comparison().Loaded());
        QCOMPARE(p.dialogs.fileAnswers.size(), std::size_t(1));  // no file dialog opened
    }

    void cancelledComparisonLoadKeepsTheComparisonShown() {
        ImmediateFileWork immediate;
        Panel p(immediate);
        p.dialogs.fileAnswers = {p.SaveComparison("a.vqdata", "a")};
        p.Click(ctl::Compare);
        QCOMPARE(p.Text(ctl::CompareName), QStringLiteral("a.vqdata"));
        CancellingWork cancelling;
        ComparisonSet& set = p.view->browse().comparison();
        std::string error = "untouched";
        QVERIFY(!set.Load(p.SaveComparison("b.vqdata", "b", 300), error, &cancelling));
        QVERIFY(error.empty());
        QCOMPARE(set.Name(), std::string("a.vqdata"));
        QCOMPARE(p.view->compareStore()->historyText, std::string("a"));
    }

    void cancelledCsvSaveKeepsTheOldFileAndOnWorkerMatchesTheWriter() {
        FileJobRunner runner(nullptr);
        Panel p(runner);
        p.AnswerCsvDialog(0);
        p.dialogs.fileAnswers = {p.Path("r.csv")};
        p.C<QPushButton>(ctl::Csv)->click();
        QVERIFY(p.dialogs.notices.empty());
        const std::string written = test::ReadFileBytes(p.Path("r.csv"));
        {
            SpectrumWorkspace ws = p.view->workspace();
            CsvWriter writer(p.doc, ws, p.view->Processing(), 0);
            std::string error;
            QVERIFY(writer.WriteCsvFile(p.Path("e.csv"), 0, 3, 0, true, true, true, true, 340, 850,
                                        10, error));
            QCOMPARE(written, test::ReadFileBytes(p.Path("e.csv")));
        }

        CancellingWork cancelling;
        Panel q(cancelling);
        q.AnswerCsvDialog(0);
        q.dialogs.fileAnswers = {p.Path("r.csv")};
        q.C<QPushButton>(ctl::Csv)->click();
        QVERIFY(q.dialogs.notices.empty());
        QCOMPARE(test::ReadFileBytes(p.Path("r.csv")), written);
        QCOMPARE(QDir(p.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::FileWorkPanelTest)
#include "test_file_work.moc"
