// The File menu item of the HDF5 export in a real frame: placed after
// "名前を付けて保存", refused with a message while measuring, and writing the
// chosen file with a note in the status bar.

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/CMainFrame.h"
#include "common/FileJobRunner.h"
#include "fakes/FakeSettings.h"
#include "fakes/ScriptedDialogs.h"
#include "hdf5/Hdf5ExportAction.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

class Hdf5ExportActionTest : public QObject {
    Q_OBJECT
private slots:
    void ExportsFromTheFileMenuAndRefusesWhileMeasuring() {
        Cvarnello_mfDoc doc;
        test::ScriptedDialogs dialogs;
        test::FakeSettings settings;
        CMainFrame frame(doc, dialogs, settings);
        bool measuring = true;
        frame.AddFileCommand(CreateHdf5ExportAction(
            &frame, doc, dialogs, frame.fileWork(), [&measuring] { return measuring; },
            [&frame](const QString& text) { frame.ShowStatusText(text); }));

        QMenu* file = frame.menuBar()->actions().at(0)->menu();
        const QList<QAction*> items = file->actions();
        const qsizetype saveAs = items.indexOf(frame.Action(FrameCommand::FileSaveAs));
        QAction* exportItem = items.at(saveAs + 1);
        QCOMPARE(exportItem->text(), QString::fromUtf8("HDF5 形式で書き出し(&H)..."));

        exportItem->trigger();
        QCOMPARE(dialogs.asked.size(), size_t{1});
        QCOMPARE(
            QString::fromStdString(dialogs.notices.at(0)),
            QString::fromUtf8("測定中は書き出せません。測定を停止してから書き出してください。"));

        measuring = false;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("run.h5"));
        dialogs.fileAnswers.push_back(path.toStdString());
        exportItem->trigger();
        QVERIFY(QFile::exists(path));
        QCOMPARE(frame.statusBar()->currentMessage(), QString::fromUtf8("run.h5 に書き出しました"));
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::Hdf5ExportActionTest)
#include "Hdf5ExportActionTest.moc"
