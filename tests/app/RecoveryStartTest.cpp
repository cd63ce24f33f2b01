// The program at start-up with a journal an earlier run left in the per-user
// data folder: the question comes as a real message box, OK (clicked here)
// restores the store from the journal, marked modified and titled as
// recovered; File Save then ends the journal.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/CMainFrame.h"
#include "app/Cvarnello_mfApp.h"
#include "app/JournalKeeper.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/JournalFormat.h"
#include "store/RecordJournal.h"

namespace vmf {

class RecoveryStartTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setOrganizationName(QStringLiteral("VarnelloMF"));
        QApplication::setApplicationName(QStringLiteral("varnello_mf"));
    }

    void aJournalLeftBehindIsRestoredWhenTheOperatorSaysOk() {
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/recovery";
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        const std::string left = (folder + "/recording-crashed.vqjournal").toStdString();
        auto journalled = std::make_unique<Cvarnello_mfDoc>();
        {
            journalled->headCount = 2;
            journalled->serialNo[0] = "SN000001";
            journalled->serialNo[1] = "SN000002";
            journalled->historyText = "2026/12/08 10:00:00,start\r\n";
            RecordJournal journal(left);
            std::string error;
            QVERIFY(journal.Begin(*journalled, error));
            for (int r = 0; r < 4; ++r) {
                for (int a = 0; a < 2; ++a) {
                    journalled->EnsureRecordArrays(a, r);
                    journalled->recRaw(a, r)[0] = static_cast<float>(10 * a + r);
                    journalled->recTimeUtcMs(a, r) = 1796722138000 + 1000 * r;
                    journalled->recUtcOffsetS(a, r) = 9 * 3600;
                }
                journalled->AdvanceRecords();
                journal.AppendRecords(*journalled, {r, r, -1, -1, -1, -1, -1, -1, -1, -1}, 2);
            }
        }  // left on the disk, as by a crash

        QString asked;
        QTimer::singleShot(0, this, [&asked] {
            QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            asked = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        AppOptions options;
        Cvarnello_mfApp app;
        QVERIFY(app.InitInstance(options));
        // What OK brings back, in the records' own local time, and where Cancel puts it.
        QCOMPARE(asked,
                 QStringLiteral(
                     "前回、保存されないまま終了した計測データがあります。\n\n"
                     "ヘッド 1 (SN000001): 記録 4 件\nヘッド 2 (SN000002): 記録 4 件\n"
                     "最初の記録: 2026-12-08 18:28:58.000+09:00\n"
                     "最後の記録: 2026-12-08 18:29:01.000+09:00\n\n復元しますか?\n\n"
                     "キャンセルを選ぶと、このデータは復元しなかった記録を残しておくフォルダ\n（") +
                     folder + QStringLiteral("/set-aside）に移して残します。"));
        const Cvarnello_mfDoc& doc = app.doc();
        QCOMPARE(doc.headCount, 2);
        QCOMPARE(doc.recordCount[1], 4);
        QCOMPARE(doc.recRaw(1, 3)[0], 13.0f);
        QCOMPARE(doc.historyText, journalled->historyText);
        QVERIFY(doc.IsModified());
        QCOMPARE(app.mainFrame()->windowTitle(),
                 QStringLiteral("varnello_mf - 復元された計測データ"));
        QVERIFY(!QFile::exists(QString::fromStdString(left)));
        QCOMPARE(QDir(folder).entryList({"*.vqjournal"}).size(), 1);  // this session's

        const QString saved = QDir(folder).filePath(QStringLiteral("saved.vqdata"));
        app.doc().pathName = saved.toStdString();  // File Save without its dialog
        QVERIFY(app.mainFrame()->session().Save());
        QCOMPARE(QDir(folder).entryList({"*.vqjournal"}).size(), 0);
        app.ExitInstance();
        QDir(folder).removeRecursively();
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::RecoveryStartTest)
#include "RecoveryStartTest.moc"
