// File work in the window on a store of a few hundred megabytes (ten heads of
// 10 000 records, 231 MB): while it runs the event loop keeps turning, the
// progress dialog appears and advances, commands wait and closing asks;
// Cancel leaves the file and the store as they were, and finished work gives
// what the synchronous routines give.

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <memory>

#include "app/CMainFrame.h"
#include "app/QtSettingsBackend.h"
#include "fakes/ScriptedDialogs.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

constexpr int kHeads = 10;
constexpr int kRecords = 10000;

void FillBig(Cvarnello_mfDoc& doc) {
    doc.headCount = kHeads;
    for (int a = 0; a < kHeads; ++a) {
        doc.channelCount[a] = MAX_CHANNELS;
        doc.headKind[a] = "C12880MA";
        doc.serialNo[a] = "23A0000" + std::to_string(a);
        for (int r = 0; r < kRecords; ++r) {
            if (!doc.EnsureRecordArrays(a, r)) qFatal("no memory for the big store");
            doc.recExposureUs(a, r) = 1000 + r;
            doc.recTemperatureC(a, r) = 0.5f * static_cast<float>(a);
            float* raw = doc.recRaw(a, r);
            float* processed = doc.recProcessed(a, r);
            for (int c = 0; c < MAX_CHANNELS; ++c) {
                raw[c] = static_cast<float>(r + c + a);
                processed[c] = static_cast<float>(r - c) * 0.25f;
            }
        }
        doc.recordCount[a] = kRecords;
    }
    doc.historyText = "2024/01/05 13:45:01,big\r\n";
}

bool SameFile(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) return false;
    if (fa.size() != fb.size()) return false;
    while (!fa.atEnd())
        if (fa.read(1 << 22) != fb.read(1 << 22)) return false;
    return true;
}

bool SameRecords(const Cvarnello_mfDoc& x, const Cvarnello_mfDoc& y) {
    if (x.headCount != y.headCount || x.recordCount != y.recordCount ||
        x.historyText != y.historyText)
        return false;
    for (int a = 0; a < x.headCount; ++a)
        for (int r = 0; r < x.recordCount[a]; ++r)
            if (x.recExposureUs(a, r) != y.recExposureUs(a, r) ||
                std::memcmp(x.recRaw(a, r), y.recRaw(a, r), MAX_CHANNELS * sizeof(float)) ||
                std::memcmp(x.recProcessed(a, r), y.recProcessed(a, r),
                            MAX_CHANNELS * sizeof(float)))
                return false;
    return true;
}

// Watches the GUI thread while file work runs: a 5 ms timer counts its ticks
// and the longest gap between them, and notes every percentage the dialog
// shows; onTick runs at each tick (pressing Cancel, trying commands).
struct Watch {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0, longestGap = 0;
    int ticks = 0;
    QList<int> percents;
    std::function<void(FileJobRunner&)> onTick;

    explicit Watch(FileJobRunner& runner) {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this, &runner] {
            const qint64 now = clock.elapsed();
            longestGap = std::max(longestGap, now - last);
            last = now;
            ++ticks;
            if (QProgressDialog* d = runner.Dialog())
                if (percents.isEmpty() || percents.last() != d->value()) percents << d->value();
            if (onTick) onTick(runner);
        });
        clock.start();
        timer.start();
    }
    QString Percents() const {
        QStringList texts;
        for (int v : percents) texts << QString::number(v);
        return texts.join(QLatin1Char(' '));
    }
    bool Advanced() const {
        for (int i = 1; i < percents.size(); ++i)
            if (percents[i] <= percents[i - 1]) return false;
        return percents.size() >= 2;
    }
};

void PressCancel(FileJobRunner& runner) {
    if (QProgressDialog* d = runner.Dialog())
        if (auto* button = d->findChild<QPushButton*>()) button->click();
}

const char* const kRefused = "ファイルの読み書き中です。終わるまでお待ちください。";

}  // namespace

class FileWorkGuiTest : public QObject {
    Q_OBJECT

    struct Rig {
        Rig(Cvarnello_mfDoc& d, const QString& ini) : settings(ini), doc(d) {
            frame = std::make_unique<CMainFrame>(doc, dialogs, settings);
            FramePanel panel;
            panel.widget = panelWidget = new QWidget;
            frame->SetPanel(panel);
            frame->InitialUpdate();
            // Judged at once: on a fast disk the work may take well under the
            // half second that brings the dialog in normal use.
            frame->fileWork().SetPacing({5, 10, 0, 20});
        }
        QtSettingsBackend settings;
        Cvarnello_mfDoc& doc;
        test::ScriptedDialogs dialogs;
        std::unique_ptr<CMainFrame> frame;
        QWidget* panelWidget = nullptr;
        QWidget* panel() const { return panelWidget; }
    };

    QTemporaryDir dir_;
    std::unique_ptr<Cvarnello_mfDoc> big_;
    QString reference_;  // big_ saved synchronously

    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    // Settings of their own, so no test sees another's recent files.
    QString Ini() const { return Path(QTest::currentTestFunction()) + QStringLiteral(".ini"); }

private slots:
    void initTestCase() {
        big_ = std::make_unique<Cvarnello_mfDoc>();
        FillBig(*big_);
        reference_ = Path("reference.vqdata");
        std::string error;
        QVERIFY2(big_->SaveToFile(reference_.toStdString(), error), error.c_str());
    }

    void saveKeepsTheLoopTurningRefusesCommandsAndWritesTheSameFile() {
        Rig rig(*big_, Ini());
        CMainFrame& f = *rig.frame;
        f.show();
        big_->SetModifiedFlag(true);
        rig.dialogs.fileAnswers = {Path("a.vqdata").toStdString()};
        rig.dialogs.okCancelAnswers = {false};  // closing: wait for the save
        Watch watch(f.fileWork());
        bool tried = false;
        watch.onTick = [&](FileJobRunner& runner) {
            if (tried || !runner.Running()) return;
            tried = true;
            QVERIFY(!rig.panel()->isEnabled());
            QVERIFY(!f.Action(FrameCommand::FileOpen)->isEnabled());
            f.OnFileOpen();
            f.close();
        };
        f.OnFileSaveAs();
        qInfo("save: %d ticks, longest gap %lld ms, percentages %s", watch.ticks, watch.longestGap,
              qPrintable(watch.Percents()));
        QVERIFY(watch.ticks >= 5);
        QVERIFY(watch.Advanced());
        QVERIFY(tried);
        QCOMPARE(rig.dialogs.asked,
                 (std::vector<std::string>{"名前を付けて保存", kRefused,
                                           "ファイルの読み書きを中止して終了しますか？("
                                           "キャンセルを押すと、終わるまで待ちます)"}));
        QVERIFY(f.isVisible());
        QVERIFY(rig.panel()->isEnabled());
        QVERIFY(f.Action(FrameCommand::FileOpen)->isEnabled());
        QVERIFY(!big_->IsModified());
        QCOMPARE(big_->title, std::string("a.vqdata"));
        QCOMPARE(f.windowTitle(), QStringLiteral("varnello_mf - a.vqdata"));
        QVERIFY(SameFile(Path("a.vqdata"), reference_));
    }

    void cancelledSaveLeavesTheOldFileAndTheDocument() {
        Rig rig(*big_, Ini());
        const QString old = Path("old.vqdata");
        {
            Cvarnello_mfDoc small;
            small.historyText = "small\r\n";
            std::string error;
            QVERIFY(small.SaveToFile(old.toStdString(), error));
        }
        QFile in(old);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray before = in.readAll();
        in.close();
        const QStringList entries = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
        big_->pathName = old.toStdString();
        big_->title = "old.vqdata";
        big_->SetModifiedFlag(true);
        Watch watch(rig.frame->fileWork());
        watch.onTick = [](FileJobRunner& runner) {
            if (runner.Dialog() && runner.Dialog()->value() > 0) PressCancel(runner);
        };
        rig.frame->OnFileSave();
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(in.readAll(), before);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), entries);
        QVERIFY(big_->IsModified());
        QCOMPARE(big_->title, std::string("old.vqdata"));
        QVERIFY(rig.dialogs.notices.empty());
    }

    void openCancelledLeavesTheStoreThenOpensAsTheSynchronousLoad() {
        Cvarnello_mfDoc doc;
        doc.historyText = "mine\r\n";
        doc.title = "mine";
        Rig rig(doc, Ini());
        CMainFrame& f = *rig.frame;
        rig.dialogs.fileAnswers = {reference_.toStdString(), reference_.toStdString()};
        {
            Watch watch(f.fileWork());
            watch.onTick = [](FileJobRunner& runner) {
                if (runner.Dialog()) PressCancel(runner);
            };
            f.OnFileOpen();
            QVERIFY(!watch.percents.isEmpty());
        }
        QCOMPARE(doc.headCount, 0);
        QCOMPARE(doc.historyText, std::string("mine\r\n"));
        QCOMPARE(doc.title, std::string("mine"));
        QVERIFY(f.RecentFileActions().isEmpty());

        Watch watch(f.fileWork());
        f.OnFileOpen();
        qInfo("open: %d ticks, longest gap %lld ms", watch.ticks, watch.longestGap);
        QVERIFY(watch.ticks >= 5);
        QVERIFY(SameRecords(doc, *big_));
        QCOMPARE(doc.pathName, reference_.toStdString());
        QCOMPARE(f.windowTitle(), QStringLiteral("varnello_mf - reference.vqdata"));
        QCOMPARE(f.RecentFileActions().size(), 1);
        QVERIFY(rig.dialogs.notices.empty());
    }

    void closingDuringWorkCancelsItAndThenCloses() {
        Rig rig(*big_, Ini());
        CMainFrame& f = *rig.frame;
        f.show();
        big_->SetModifiedFlag(false);
        rig.dialogs.fileAnswers = {Path("b.vqdata").toStdString()};
        rig.dialogs.okCancelAnswers = {true};
        Watch watch(f.fileWork());
        watch.onTick = [&](FileJobRunner& runner) {
            if (runner.Running() && rig.dialogs.asked.size() == 1) f.close();
        };
        f.OnFileSaveAs();
        QVERIFY(!QFile::exists(Path("b.vqdata")));
        // The close follows once the command that ran the work has returned;
        // the store is unmodified, so nothing more is asked.
        QTRY_VERIFY(!f.isVisible());
        QCOMPARE(rig.dialogs.asked.size(), 2u);
    }

    // Every way the program ends during a save, inside the application's
    // own event loop: File > Exit (the window's close, its question answered
    // OK), the application's quit (which closes the windows) and its exit
    // (which ends every event loop at once). Each cancels the work within a
    // fraction of a second, leaves the folder as Cancel does (no file, no
    // temporary) and ends the event loop.
    void endingTheProgramCancelsFileWorkPromptly() {
        // The data files and temporaries in the folder (settings files come
        // and go with each rig).
        auto dataFiles = [this] {
            QStringList names = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
            names.removeIf([](const QString& n) { return n.endsWith(QLatin1String(".ini")); });
            return names;
        };
        const QStringList entries = dataFiles();
        for (const char* how : {"exit command", "quit", "exit"}) {
            Rig rig(*big_, Ini());
            CMainFrame& f = *rig.frame;
            f.show();
            big_->SetModifiedFlag(false);
            const QString target = Path("ending.vqdata");
            rig.dialogs.fileAnswers = {target.toStdString()};
            rig.dialogs.okCancelAnswers = {true};
            QElapsedTimer clock;
            qint64 endedAt = -1, returnedAt = -1;
            Watch watch(f.fileWork());
            watch.onTick = [&](FileJobRunner& runner) {
                if (endedAt >= 0 || !runner.Running()) return;
                endedAt = clock.elapsed();
                if (qstrcmp(how, "exit command") == 0)
                    f.Action(FrameCommand::AppExit)->trigger();
                else if (qstrcmp(how, "quit") == 0)
                    QCoreApplication::quit();
                else
                    QCoreApplication::exit(0);
            };
            QTimer::singleShot(0, &f, [&] {
                clock.start();
                f.OnFileSaveAs();
                returnedAt = clock.elapsed();
            });
            QTimer guard;  // never hang
            guard.setSingleShot(true);
            QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
            guard.start(30000);
            QCOMPARE(QCoreApplication::exec(), 0);
            QVERIFY2(endedAt >= 0, how);
            qInfo("%s: the save returned %lld ms after the end was asked", how,
                  returnedAt - endedAt);
            QVERIFY2(returnedAt - endedAt < 500, how);
            QVERIFY2(!QFile::exists(target), how);
            QCOMPARE(dataFiles(), entries);
        }
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::FileWorkGuiTest)
#include "FileWorkGuiTest.moc"
