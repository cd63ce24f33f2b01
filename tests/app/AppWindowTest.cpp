// The whole application at its default window size on the simulated bench:
// what an operator sees of the panel in the main window, and Qt's own
// dialogs in Japanese.

#include <QAbstractButton>
#include <QApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/CMainFrame.h"
#include "app/Cvarnello_mfApp.h"
#include "app/JapaneseQtLocale.h"
#include "app/QtTranslations.h"
#include "app/QtUserDialogs.h"
#include "common/DocumentNaming.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/GraphRenderer.h"
#include "panel/PanelControls.h"

namespace vmf {

class AppWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    AppOptions Options(const char* ini) const {
        AppOptions options;
        options.settingsFile = dir_.filePath(QString::fromLatin1(ini));
        options.benchText = "3:head:AAA;5:head:BBB;scene=halogen;timescale=0";
        return options;
    }

private slots:
    void graphAndGuidanceStayInViewAtTheDefaultSize() {
        Cvarnello_mfApp app;
        QVERIFY(app.InitInstance(Options("window.ini")));
        CMainFrame* f = app.mainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(f));
        QCOMPARE(f->frameGeometry(), QRect(0, 0, 740, 640));
        qobject_cast<QAbstractButton*>(app.view()->Control(ctl::Detect))->click();
        QCOMPARE(app.view()->messageLine1(), QStringLiteral("計測モードを選択してください"));

        auto* area = qobject_cast<QScrollArea*>(f->centralWidget());
        QVERIFY(area);
        QWidget* viewport = area->viewport();
        // Top to bottom inside the viewport (the window is narrower than the
        // column's right edge, so only the graph is checked across too).
        auto inView = [viewport](QWidget* w) {
            const QRect r(w->mapTo(viewport, QPoint(0, 0)), w->size());
            return r.top() >= 0 && r.bottom() <= viewport->rect().bottom();
        };
        QWidget* graph = app.view()->Control(ctl::GraphFrame);
        QWidget* history = app.view()->Control(ctl::History);
        // The image, message area at its foot, is exactly the frame's height.
        QCOMPARE(app.view()->renderer().image().height(), graph->height());
        QScrollBar* bar = area->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);  // the column of controls is taller than the window
        QVERIFY(inView(graph));
        QVERIFY(
            viewport->rect().contains(QRect(graph->mapTo(viewport, QPoint(0, 0)), graph->size())));
        QVERIFY(!inView(history));
        bar->setValue(bar->maximum());
        QVERIFY(inView(history));
        QVERIFY(inView(graph));  // only the controls scrolled
        const QString out = qEnvironmentVariable("VMF_WINDOW_SCREENSHOT");
        if (!out.isEmpty()) QVERIFY(f->grab().save(out));
        app.ExitInstance();
    }

    void closeWhileMeasuringStopsAndSavesOnlyAfterTheHandOver() {
        Cvarnello_mfApp app;
        QVERIFY(app.InitInstance(Options("close.ini")));
        CMainFrame* f = app.mainFrame();
        Cvarnello_mfView* view = app.view();
        auto click = [view](int id) { qobject_cast<QAbstractButton*>(view->Control(id))->click(); };
        click(ctl::Detect);
        click(ctl::Logging);
        click(ctl::Start);
        QTRY_VERIFY(app.doc().recordCount[0] >= 2);
        // The boxes are real here: OK to the question, No to the save prompt.
        QStringList asked;
        int recordsAtPrompt = -1;
        bool measuringAtPrompt = true;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            asked << box->text();
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                ok->click();
                return;
            }
            recordsAtPrompt = app.doc().recordCount[0];
            measuringAtPrompt = view->IsMeasuring();
            box->button(QMessageBox::No)->click();
        });
        answerer.start(5);
        QVERIFY(!f->close());  // waits for the worker's hand-over
        QTRY_VERIFY(!f->isVisible());
        answerer.stop();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0], QStringLiteral("計測中です。計測を停止して終了しますか?"));
        QVERIFY(asked[1].endsWith(QStringLiteral(" への変更を保存しますか?")));
        QVERIFY(!measuringAtPrompt);
        QCOMPARE(app.doc().recordCount[0], recordsAtPrompt);
        app.ExitInstance();
    }

    void fileDialogsAreJapaneseAndStartInTheLastFolder() {
        QVERIFY(InstallQtTranslations());
        UseJapaneseQtTexts();
        QDir(dir_.path()).mkdir(QStringLiteral("runs"));
        QDir(dir_.path()).mkdir(QStringLiteral("other"));
        const QString runs = dir_.filePath(QStringLiteral("runs"));
        const QString other = dir_.filePath(QStringLiteral("other"));
        RecentFolders folders;
        folders[FileKind::DataFile] = runs.toStdString();
        QtUserDialogs dialogs;
        dialogs.SetFolders(&folders);
        QFile(QDir(runs).filePath(QStringLiteral("a.vqdata"))).open(QIODevice::WriteOnly);
        QString startedIn, accept, cancel;
        QStringList labels, columns;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            startedIn = dlg->directory().absolutePath();
            auto* box = dlg->findChild<QDialogButtonBox*>();
            accept = box->button(QDialogButtonBox::Save)->text();
            cancel = box->button(QDialogButtonBox::Cancel)->text();
            for (QLabel* l : dlg->findChildren<QLabel*>()) labels << l->text();
            // Type, size and date columns of a folder and a file, as listed.
            auto* model = dlg->findChild<QFileSystemModel*>();
            QTRY_VERIFY(model->index(QDir(runs).filePath(QStringLiteral("a.vqdata"))).isValid());
            const QModelIndex file = model->index(QDir(runs).filePath(QStringLiteral("a.vqdata")));
            columns << model->index(other).siblingAtColumn(2).data().toString()
                    << file.siblingAtColumn(1).data().toString()
                    << file.siblingAtColumn(3).data().toString().left(5);
            dlg->selectFile(QDir(other).filePath(QStringLiteral("new.vqdata")));
            static_cast<QDialog*>(dlg)->accept();
        });
        const auto chosen = dialogs.SaveFileName("名前を付けて保存", kDataFileFilter, "x.vqdata");
        QCOMPARE(startedIn, runs);
        QCOMPARE(accept, QStringLiteral("保存(&S)"));
        QCOMPARE(cancel, QStringLiteral("キャンセル"));
        QCOMPARE(labels, (QStringList{"アドレス:", "ファイル名(&N):", "ファイルの種類:"}));
        QCOMPARE(columns, (QStringList{"フォルダー", "0 バイト",
                                       QDate::currentDate().toString(QStringLiteral("yyyy/"))}));
        QVERIFY(chosen);
        // The next data-file dialog starts where this one ended.
        QCOMPARE(QString::fromStdString(folders[FileKind::DataFile]), other);
        QCOMPARE(folders[FileKind::CompareFile], std::string());
    }
};

}  // namespace vmf

int main(int argc, char** argv) {
    vmf::UseJapaneseSystemLocale();  // as the program's own main does
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    vmf::AppWindowTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "AppWindowTest.moc"
