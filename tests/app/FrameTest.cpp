// The main frame with a stand-in panel: menu, caption, placement, busy
// flag, file commands and dropped files; the settings adapter; and the whole
// application once, with the real panel.

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <memory>

#include "app/CMainFrame.h"
#include "app/Cvarnello_mfApp.h"
#include "app/QtSettingsBackend.h"
#include "fakes/ScriptedDialogs.h"
#include "panel/Cvarnello_mfView.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

namespace {

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QMenu* TopMenu(QMainWindow& w, int index) { return w.menuBar()->actions().at(index)->menu(); }

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT

    // A frame around a stand-in panel, on an INI file of its own.
    struct Rig {
        explicit Rig(const QString& ini) : settings(ini) {}
        QtSettingsBackend settings;
        Cvarnello_mfDoc doc;
        test::ScriptedDialogs dialogs;
        int initialUpdates = 0;
        int maintenance = 0;
        bool measuring = false;
        int stops = 0;
        std::unique_ptr<CMainFrame> frame;

        CMainFrame& Make() {
            frame = std::make_unique<CMainFrame>(doc, dialogs, settings);
            FramePanel panel;
            panel.widget = new QWidget;
            panel.initialUpdate = [this] { ++initialUpdates; };
            panel.maintenanceMode = [this] { return &maintenance; };
            panel.isMeasuring = [this] { return measuring; };
            panel.stopMeasuring = [this] {
                ++stops;
                // The worker hands over a little later.
                QTimer::singleShot(50, [this] { measuring = false; });
            };
            frame->SetPanel(panel);
            frame->InitialUpdate();
            return *frame;
        }
        void Destroy() {
            frame.reset();
            settings.Sync();
        }
    };

    QTemporaryDir dir_;
    QString Ini(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    QString WriteDataFile(const char* name, const std::string& history) {
        Cvarnello_mfDoc source;
        source.historyText = history;
        std::string error;
        const QString path = dir_.filePath(QString::fromLatin1(name));
        if (!source.SaveToFile(path.toStdString(), error)) qWarning("%s", error.c_str());
        return path;
    }

private slots:
    void firstStartUsesTheDefaultsAndTheMenuOfTheFrame() {
        Rig rig(Ini("first.ini"));
        CMainFrame& f = rig.Make();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        // The stored rectangle is the outer one, caption and border included.
        QCOMPARE(f.frameGeometry(), QRect(0, 0, 740, 640));
        QCOMPARE(f.windowTitle(), QStringLiteral("varnello_mf - 無題"));
        QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(f.windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(rig.initialUpdates, 1);
        QCOMPARE(f.ReadyPane()->text(), QStringLiteral("レディ"));

        QStringList tops;
        for (QAction* a : f.menuBar()->actions()) tops << a->text();
        QCOMPARE(tops, (QStringList{"ファイル(&F)", "編集(&E)", "表示(&V)", "ヘルプ(&H)"}));
        QCOMPARE(MenuTexts(TopMenu(f, 0)),
                 (QStringList{"新規作成\tCtrl+N(&N)", "開く...\tCtrl+O(&O)",
                              "上書き保存\tCtrl+S(&S)", "名前を付けて保存(&A)...", "-",
                              "最近使ったファイル", "-", "アプリケーションの終了(&X)"}));
        QCOMPARE(
            MenuTexts(TopMenu(f, 1)),
            (QStringList{"元に戻す\tCtrl+Z(&U)", "-", "切り取り\tCtrl+X(&T)", "コピー\tCtrl+C(&C)",
                         "貼り付け\tCtrl+V(&P)", "ハードウェア調整作業"}));
        QCOMPARE(MenuTexts(TopMenu(f, 2)), (QStringList{"ツール バー(&T)", "ステータス バー(&S)"}));
        QCOMPARE(MenuTexts(TopMenu(f, 3)), (QStringList{"バージョン情報 varnello_mf(&A)..."}));
        for (FrameCommand c :
             {FrameCommand::EditUndo, FrameCommand::EditCut, FrameCommand::EditCopy,
              FrameCommand::EditPaste, FrameCommand::FilePrint})
            QVERIFY(!f.Action(c)->isEnabled());
        QCOMPARE(f.Action(FrameCommand::EditUndo)->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Z),
                                      QKeySequence(Qt::ALT | Qt::Key_Backspace)}));
        QCOMPARE(f.Action(FrameCommand::FileOpen)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));

        // Toolbar: New Open Save | Cut Copy Paste | Print About.
        QStringList buttons;
        for (QAction* a : f.ToolBar()->actions())
            buttons << (a->isSeparator() ? QStringLiteral("-") : a->toolTip());
        QCOMPARE(buttons, (QStringList{"新規作成", "開く", "上書き保存", "-", "切り取り", "コピー",
                                       "貼り付け", "-", "印刷", "バージョン情報"}));
    }

    void placementRoundTripsAndTheRestoredRectangleIsSavedWhenMinimised() {
        const QString ini = Ini("place.ini");
        QRect outer;
        {
            Rig rig(ini);
            CMainFrame& f = rig.Make();
            f.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f));
            f.move(30, 40);  // moves the outer rectangle
            f.resize(700, 500);
            QTRY_COMPARE(f.frameGeometry().topLeft(), QPoint(30, 40));
            outer = f.frameGeometry();
            rig.Destroy();
        }
        QSettings raw(ini, QSettings::IniFormat);
        QCOMPARE(raw.value("Settings/left").toInt(), 30);
        QCOMPARE(raw.value("Settings/top").toInt(), 40);
        QCOMPARE(raw.value("Settings/right").toInt(), 30 + outer.width());
        QCOMPARE(raw.value("Settings/bottom").toInt(), 40 + outer.height());
        {
            Rig rig(ini);
            CMainFrame& f = rig.Make();
            f.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f));
            QCOMPARE(f.frameGeometry(), outer);
            f.showMinimized();
            QTRY_VERIFY(f.isMinimized());
            rig.Destroy();
        }
        QSettings again(ini, QSettings::IniFormat);
        QCOMPARE(again.value("Settings/left").toInt(), 30);
        QCOMPARE(again.value("Settings/top").toInt(), 40);
        QCOMPARE(again.value("Settings/right").toInt(), 30 + outer.width());
        QCOMPARE(again.value("Settings/bottom").toInt(), 40 + outer.height());
    }

    void settingsBackendKeepsTypesAndSignedIntegers() {
        const QString ini = Ini("options.ini");
        PanelOptions changed;
        changed.averageCount = 8;
        changed.loggingOn = 1;
        changed.graphMin = -500;
        changed.fixedFileName = "測定データ";
        {
            QtSettingsBackend backend(ini);
            WritePanelOptions(backend, changed);
            backend.WriteInt("graph", "max", 8192);
        }
        {
            // As the registry holds them: a 32-bit pattern read back unsigned.
            QSettings raw(ini, QSettings::IniFormat);
            raw.setValue("ratio/min", 4294967286u);
            raw.setValue("ratio/max", QStringLiteral("not a number"));
        }
        QtSettingsBackend backend(ini);
        PanelOptions back;
        ReadPanelOptions(backend, back);
        QCOMPARE(back.averageCount, 8);
        QCOMPARE(back.loggingOn, 1);
        QCOMPARE(back.graphMin, -500);
        QCOMPARE(back.fixedFileName, std::string("測定データ"));
        QCOMPARE(back.ratioMin, -10);
        QCOMPARE(back.ratioMax, 160);  // unreadable: the default
        QCOMPARE(back.csvStepNm, 10);  // never written: the default
    }

    void closeIsIgnoredWhileBusy() {
        Rig rig(Ini("busy.ini"));
        CMainFrame& f = rig.Make();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.busy = 1;
        QVERIFY(!f.close());
        QVERIFY(f.isVisible());
        f.busy = 0;
        rig.doc.SetModifiedFlag(true);
        rig.dialogs.yesNoCancelAnswers = {-1};  // Cancel on the save prompt keeps it open too
        QVERIFY(!f.close());
        QCOMPARE(rig.dialogs.asked.back(), std::string("無題 への変更を保存しますか?"));
        rig.dialogs.yesNoCancelAnswers = {0};
        QVERIFY(f.close());
    }

    void closeWhileMeasuringAsksToStopAndSavesOnlyAfterTheHandOver() {
        Rig rig(Ini("measuring.ini"));
        CMainFrame& f = rig.Make();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        rig.doc.SetModifiedFlag(true);
        rig.measuring = true;
        f.busy = 1;  // in the middle of a cycle, too
        rig.dialogs.okCancelAnswers = {false};
        QVERIFY(!f.close());
        QCOMPARE(rig.dialogs.asked,
                 (std::vector<std::string>{"計測中です。計測を停止して終了しますか?"}));
        QCOMPARE(rig.stops, 0);  // Cancel: measuring goes on
        QVERIFY(f.isVisible());

        // OK: stopped at once, the save prompt only once the worker is done.
        rig.dialogs.okCancelAnswers = {true};
        rig.dialogs.yesNoCancelAnswers = {0};
        QVERIFY(!f.close());
        QCOMPARE(rig.stops, 1);
        QVERIFY(f.isVisible());
        QCOMPARE(rig.dialogs.asked.size(), size_t(2));
        QVERIFY(!f.close());  // a second request meanwhile asks nothing more
        QCOMPARE(rig.dialogs.asked.size(), size_t(2));
        QTimer::singleShot(80, [&] { f.busy = 0; });
        QTRY_VERIFY(!f.isVisible());
        QVERIFY(!rig.measuring);
        QCOMPARE(rig.dialogs.asked.size(), size_t(3));
        QCOMPARE(rig.dialogs.asked.back(), std::string("無題 への変更を保存しますか?"));
    }

    void openingABadFileLeavesTheDocumentAndPanelAlone() {
        Rig rig(Ini("bad.ini"));
        CMainFrame& f = rig.Make();
        const QString bad = dir_.filePath(QStringLiteral("bad.vqdata"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("definitely not a data file");
        file.close();
        rig.doc.title = "A1234567_20261207_101010";
        rig.doc.historyText = "keep\r\n";
        f.UpdateCaption();
        rig.dialogs.fileAnswers = {bad.toStdString()};
        f.OnFileOpen();
        QCOMPARE(rig.dialogs.notices, (std::vector<std::string>{"予期しないファイル形式です。"}));
        QCOMPARE(rig.doc.title, std::string("A1234567_20261207_101010"));
        QCOMPARE(rig.doc.historyText, std::string("keep\r\n"));
        QCOMPARE(f.windowTitle(), QStringLiteral("varnello_mf - A1234567_20261207_101010"));
        QCOMPARE(rig.initialUpdates, 1);  // only the start-up one
    }

    void fileCommandsReinitialiseThePanelAndKeepTheRecentList() {
        const QString ini = Ini("files.ini");
        const QString good = WriteDataFile("good.vqdata", "from file\r\n");
        {
            Rig rig(ini);
            CMainFrame& f = rig.Make();
            rig.dialogs.fileAnswers = {good.toStdString()};
            f.OnFileOpen();
            QCOMPARE(rig.initialUpdates, 2);
            QCOMPARE(f.windowTitle(), QStringLiteral("varnello_mf - good.vqdata"));
            QCOMPARE(f.RecentFileActions().size(), 1);
            QCOMPARE(f.RecentFileActions().front()->text(), QStringLiteral("&1 ") + good);

            f.OnFileNew();
            QCOMPARE(rig.initialUpdates, 3);
            QCOMPARE(f.windowTitle(), QStringLiteral("varnello_mf - 無題"));
            QCOMPARE(rig.doc.historyText, std::string("from file\r\n"));  // New keeps the content

            rig.measuring = true;  // no file commands while a measurement runs
            rig.dialogs.fileAnswers = {good.toStdString()};
            f.OnFileOpen();
            QCOMPARE(rig.initialUpdates, 3);
            rig.measuring = false;
            rig.Destroy();
        }
        QSettings raw(ini, QSettings::IniFormat);
        QCOMPARE(raw.value("Recent File List/File1").toString(), good);
        Rig rig(ini);
        CMainFrame& f = rig.Make();
        QCOMPARE(f.RecentFileActions().size(), 1);
        f.RecentFileActions().front()->trigger();
        QCOMPARE(rig.doc.title, std::string("good.vqdata"));

        // A file named on the command line enters the menu at once.
        const QString other = WriteDataFile("other.vqdata", "other\r\n");
        QCOMPARE(f.OpenDocumentFile(other), DocumentSession::OpenOutcome::Opened);
        QCOMPARE(f.RecentFileActions().size(), 2);
        QCOMPARE(f.RecentFileActions().front()->text(), QStringLiteral("&1 ") + other);
    }

    void aDroppedFileIsOpened() {
        Rig rig(Ini("drop.ini"));
        CMainFrame& f = rig.Make();
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const QString path = WriteDataFile("dropped.vqdata", "dropped\r\n");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&f, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&f, &drop);
        QTRY_COMPARE(rig.doc.title, std::string("dropped.vqdata"));
        QCOMPARE(rig.doc.historyText, std::string("dropped\r\n"));
    }

    void hardwareAdjustmentTogglesTheOptionWithACheckMark() {
        Rig rig(Ini("hard.ini"));
        CMainFrame& f = rig.Make();
        QAction* hard = f.Action(FrameCommand::HardAdjust);
        QVERIFY(hard->isCheckable());
        QVERIFY(!hard->isChecked());
        hard->trigger();
        QCOMPARE(rig.maintenance, 1);
        QVERIFY(hard->isChecked());
        hard->trigger();
        QCOMPARE(rig.maintenance, 0);
        // The panel may change it too: the menu shows the state when opened.
        rig.maintenance = 1;
        emit TopMenu(f, 1)->aboutToShow();
        QVERIFY(hard->isChecked());
    }

    void theApplicationPersistsPanelOptionsAcrossARestart() {
        // Its own settings file: the native store is the operator's.
        QString error;
        const auto options = Cvarnello_mfApp::ParseCommandLine(
            {"varnello_mf", "--settings", Ini("restart.ini")}, error);
        QVERIFY(options);
        {
            Cvarnello_mfApp app;
            QVERIFY(app.InitInstance(*options));
            QVERIFY(QTest::qWaitForWindowExposed(app.mainFrame()));
            QCOMPARE(app.mainFrame()->windowTitle(), QStringLiteral("varnello_mf - 無題"));
            QCOMPARE(app.view()->options().graphMax, 8192);
            app.mainFrame()->Action(FrameCommand::HardAdjust)->trigger();
            app.view()->options().graphMin = -500;
            app.ExitInstance();
        }
        Cvarnello_mfApp app;
        QVERIFY(app.InitInstance(*options));
        QCOMPARE(app.view()->options().maintenanceMode, 1);
        QCOMPARE(app.view()->options().graphMin, -500);
        QCOMPARE(app.mainFrame()->frameGeometry(), QRect(0, 0, 740, 640));
        app.ExitInstance();
        QCOMPARE(QSettings(Ini("restart.ini"), QSettings::IniFormat).value("graph/min").toInt(),
                 -500);
    }

    void aFileOnTheCommandLineIsOpenedAndABadOneEndsTheStart() {
        AppOptions options;
        options.settingsFile = Ini("start.ini");
        options.file = WriteDataFile("start.vqdata", "at start\r\n");
        {
            Cvarnello_mfApp app;
            QVERIFY(app.InitInstance(options));
            QCOMPARE(app.doc().historyText, std::string("at start\r\n"));
            QCOMPARE(app.mainFrame()->windowTitle(), QStringLiteral("varnello_mf - start.vqdata"));
            app.ExitInstance();
        }
        const QString bad = dir_.filePath(QStringLiteral("start-bad.vqdata"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("xx");
        file.close();
        options.file = bad;
        QString shown;
        // The notice is a real message box here: read it and close it. The
        // file is read while an event loop turns, so the box comes some
        // turns later, not at the first.
        QTimer closer;
        closer.setInterval(10);
        connect(&closer, &QTimer::timeout, this, [&shown, &closer] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            if (auto* box = qobject_cast<QMessageBox*>(modal)) shown = box->text();
            modal->close();
            closer.stop();
        });
        closer.start();
        Cvarnello_mfApp app;
        QVERIFY(!app.InitInstance(options));
        QCOMPARE(shown, QStringLiteral("予期しないファイル形式です。"));
        app.ExitInstance();
    }

    void commandLineOptions() {
        QString error;
        const auto o = Cvarnello_mfApp::ParseCommandLine(
            {"varnello_mf", "--bench", "heads=2", "--quit-after-show", "--settings", "/d/vmf.ini",
             "/d/run.vqdata"},
            error);
        QVERIFY(o);
        QCOMPARE(o->settingsFile, QStringLiteral("/d/vmf.ini"));
        QCOMPARE(o->benchText, std::string("heads=2"));
        QVERIFY(o->quitAfterShow);
        QCOMPARE(o->file, QStringLiteral("/d/run.vqdata"));
        QVERIFY(!Cvarnello_mfApp::ParseCommandLine({"varnello_mf", "--no-such-option"}, error));
        QVERIFY(!error.isEmpty());
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::FrameTest)
#include "FrameTest.moc"
