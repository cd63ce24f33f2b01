// What an operator sees in the whole program at its default 740 x 640 on the
// simulated bench: serial numbers in full, a trend window of the store it
// computes, the device text in the status bar, no curves of cleared records,
// a registration that stored nothing saying so, a comparison without
// references named as such, measuring refused into other heads' store, and
// Save after a detection asking where the new series goes.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QLineSeries>
#include <QListWidget>
#include <QMessageBox>
#include <QSet>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QValueAxis>
#include <QtCharts/QChart>
#include <cmath>
#include <functional>

#include "app/CMainFrame.h"
#include "app/Cvarnello_mfApp.h"
#include "fakes/TrendSeries.h"
#include "panel/CColourValuesDlg.h"
#include "panel/CTrendDlg.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/GraphRenderer.h"
#include "panel/HeadSwatches.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

class OperatorViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<Cvarnello_mfApp> app_;

    Cvarnello_mfView& View() { return *app_->view(); }
    void Click(int id) { qobject_cast<QAbstractButton*>(View().Control(id))->click(); }

    // The program on `bench`, shown at its first-start size.
    void Start(const char* bench) {
        app_ = std::make_unique<Cvarnello_mfApp>();
        AppOptions options;
        options.settingsFile = dir_.filePath(QStringLiteral("%1.ini").arg(++runs_));
        options.benchText = bench;
        QVERIFY(app_->InitInstance(options));
        QVERIFY(QTest::qWaitForWindowExposed(app_->mainFrame()));
        QCOMPARE(app_->mainFrame()->frameGeometry().size(), QSize(740, 640));
    }
    int runs_ = 0;

    // Runs `act` on the next message box; pending_ then holds its text.
    void Answer(std::function<void(QMessageBox*)> act) {
        auto said = std::make_shared<QString>();
        QTimer::singleShot(0, this, [act, said] {
            QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            *said = box->text();
            act(box);
        });
        pending_ = said;
    }
    std::shared_ptr<QString> pending_;
    static void Ok(QMessageBox* box) { box->button(QMessageBox::Ok)->click(); }

    void Open(const QString& path) {
        QCOMPARE(app_->mainFrame()->OpenDocumentFile(path), DocumentSession::OpenOutcome::Opened);
        app_->mainFrame()->InitialUpdate();
    }

    void MeasureOnce() {
        const int before = app_->doc().recordCount[0];
        Click(ctl::OneShot);
        QTRY_VERIFY_WITH_TIMEOUT(app_->doc().recordCount[0] == before + 1 && !View().IsMeasuring(), 10000);
    }

    // A data file of `serials` with `records` records each.
    QString File(const char* name, std::vector<std::string> serials, int records) {
        Cvarnello_mfDoc doc;
        test::FillTrendSeries(doc, static_cast<int>(serials.size()), records, true);
        for (size_t a = 0; a < serials.size(); ++a) doc.serialNo[a] = serials[a];
        const QString path = dir_.filePath(QString::fromLatin1(name));
        std::string error;
        if (!doc.SaveToFile(path.toStdString(), error)) qWarning() << error.c_str();
        return path;
    }

private slots:
    void cleanup() {
        // Nothing left to recover: the next start asks no question.
        if (app_) app_->doc().SetModifiedFlag(false);
        if (app_) app_->ExitInstance();
        app_.reset();
    }

    void everySerialNumberReadsInFullInBothLists() {
        std::string bench;
        for (int n = 0; n < 10; ++n) bench += std::to_string(n) + ":head:BIG0000" + std::to_string(n) + ";";
        Start((bench + "scene=halogen;timescale=0").c_str());
        Click(ctl::Detect);
        auto* list = qobject_cast<QListWidget*>(View().Control(ctl::HeadList));
        QCOMPARE(list->geometry(), QRect(615, 56, 80, 100));
        QCOMPARE(list->count(), 10);
        QTRY_COMPARE(list->item(9)->toolTip(), QStringLiteral("ヘッド 10 / シリアル番号 BIG00009"));
        for (int u = 0; u < 10; ++u) QVERIFY2(HeadSwatches::ListTextFits(list->item(u)), qPrintable(list->item(u)->text()));
        // Ink of an unselected entry ends before the list's visible edge.
        const QImage shot = list->viewport()->grab().toImage();
        const QRect row = list->visualItemRect(list->item(1));
        int rightmost = -1;
        for (int x = 0; x < shot.width(); ++x)
            for (int y = row.top(); y <= row.bottom(); ++y)
                if (qGray(shot.pixel(x, y)) < 100 && x > 12) rightmost = x;
        QVERIFY(rightmost > 30 && rightmost < shot.width() - 2);

        auto* trend = app_->mainFrame()->findChild<CTrendDlg*>();
        trend->show();
        trend->FinishComputation();
        QListWidget* names = trend->headList();
        QCOMPARE(names->item(9)->text(), QStringLiteral("10 BIG00009"));
        QCOMPARE(names->item(0)->toolTip(), QStringLiteral("ヘッド 1 / シリアル番号 BIG00000"));
        QVERIFY(names->viewport()->width() >= names->sizeHintForColumn(0));
    }

    void trendWindowShowsTheStoreAndValueItComputes() {
        Start("0:head:AAA;scene=halogen;timescale=0");
        const QString small = File("small.vqdata", {"SN000001", "SN000002"}, 5);
        const QString big = File("big.vqdata", {"BIG00001", "BIG00002"}, 3000);
        auto* trend = app_->mainFrame()->findChild<CTrendDlg*>();
        trend->show();
        trend->valueBox()->setCurrentIndex(trend->valueBox()->findText(QStringLiteral("温度 (℃)")));
        Open(small);
        trend->FinishComputation();
        QCOMPARE(trend->series(0)->count(), 5);
        // Another store: its names at once, and no curve of the last one.
        Open(big);
        QCOMPARE(trend->headList()->item(0)->text(), QStringLiteral("1 BIG00001"));
        QCOMPARE(trend->series(0)->count(), 0);
        trend->FinishComputation();
        // Another value: its axis title at once, the old curve gone.
        trend->valueBox()->setCurrentIndex(trend->valueBox()->findText(QStringLiteral("相関色温度 (K)")));
        auto y = [trend] { return qobject_cast<QValueAxis*>(trend->chart()->axes(Qt::Vertical).first()); };
        QCOMPARE(y()->titleText(), QStringLiteral("相関色温度 (K)"));
        QCOMPARE(trend->series(0)->count(), 0);
        trend->FinishComputation();
        // Round ticks: 1, 2, 2.5 or 5 times a power of ten, from a multiple of it.
        const double step = (y()->max() - y()->min()) / (y()->tickCount() - 1);
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        QVERIFY2(std::abs(mantissa - 1) < 1e-6 || std::abs(mantissa - 2) < 1e-6 ||
                     std::abs(mantissa - 2.5) < 1e-6 || std::abs(mantissa - 5) < 1e-6,
                 qPrintable(QString::number(step)));
        QVERIFY(std::abs(y()->min() / step - std::round(y()->min() / step)) < 1e-6);
        // The peak's value is offered once.
        QCOMPARE(trend->valueBox()->findText(QStringLiteral("最大値")), -1);
        QVERIFY(trend->valueBox()->findText(QStringLiteral("ピーク値")) >= 0);
    }

    void statusBarSaysTheDevicesAgainOnceTheCursorLeavesTheGraph() {
        Start("0:head:AAA;scene=halogen;timescale=0");
        QStatusBar* bar = app_->mainFrame()->statusBar();
        QCOMPARE(bar->currentMessage(), QStringLiteral("シミュレーション装置で動作中"));
        QWidget* graph = View().Control(ctl::GraphFrame);
        QTest::mouseMove(graph, QPoint(300, 200));
        QTRY_VERIFY(bar->currentMessage().contains(QStringLiteral("nm")));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(graph, &leave);
        QCOMPARE(bar->currentMessage(), QStringLiteral("シミュレーション装置で動作中"));
    }

    void aDetectionThatClearsTheRecordsLeavesNoCurveOrStatistics() {
        Start("0:head:AAA;scene=halogen;timescale=0");
        Click(ctl::Detect);
        MeasureOnce();
        QVERIFY(!View().infoText().isEmpty());
        Click(ctl::Detect);  // release
        Answer(Ok);
        Click(ctl::Detect);  // detect again: the records are cleared
        QCOMPARE(app_->doc().recordCount[0], 0);
        QCOMPARE(View().infoText(), QString());
        // Head 1's pen draws the empty store's flat line, nothing above it.
        const QImage image = View().renderer().image();
        QSet<int> rows;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == qRgb(0, 255, 0)) rows.insert(y);
        QCOMPARE(rows.size(), 1);
    }

    void aRegistrationWithoutADisplayedRecordSaysNothingWasStored() {
        Start("0:head:AAA;scene=halogen;timescale=0");
        Click(ctl::Detect);
        Click(ctl::Reflectance);
        QVERIFY(View().Control(ctl::White)->isEnabled());
        Answer(Ok);
        Click(ctl::White);
        QCOMPARE(*pending_, QStringLiteral("白色板での測定値を登録しますか"));
        QCOMPARE(View().messageLine1(), QStringLiteral("表示中の計測データがないため、何も登録しませんでした。"));
        QCOMPARE(View().messageLine2(), QStringLiteral("計測して記録を表示してから、もう一度設定してください。"));
    }

    void theColourWindowNamesAComparisonWithoutReferences() {
        Start("0:head:AAA;scene=white;timescale=0");
        Click(ctl::Detect);
        MeasureOnce();
        Click(ctl::Reflectance);
        Answer(Ok);
        Click(ctl::White);  // the displayed record becomes the white
        Click(ctl::LightSource);
        Click(ctl::Reflectance);  // shown against it: 100 %
        auto compare = std::make_unique<Cvarnello_mfDoc>();
        test::FillTrendSeries(*compare, 1, 2, false);  // no references at all
        compare->serialNo[0] = "CMP00001";
        View().compareStore() = std::move(compare);
        qobject_cast<QLineEdit*>(View().Control(ctl::CompareName))->setText(QStringLiteral("cmp.vqdata"));
        auto* colour = app_->mainFrame()->findChild<CColourValuesDlg*>();
        colour->show();
        colour->Refresh();
        QTableWidget* t = colour->table();
        const auto rows = t->findItems(QStringLiteral("比較との色差 ΔE*ab"), Qt::MatchExactly);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(t->item(rows.first()->row(), 1)->text(),
                 QStringLiteral("比較ファイルのこのヘッドには反射の基準（ホワイト設定）がないため、比較できません"));
        colour->copyButton()->click();
        QVERIFY(QApplication::clipboard()->text().startsWith(
            QStringLiteral("ファイル\t%1\r\nシリアル番号\tAAA\r\n比較ファイル\tcmp.vqdata\r\n"
                           "比較ヘッド (シリアル番号) / 記録\t1 (CMP00001) / 1\r\nヘッド / 記録\t1 / 1\r\n")
                .arg(QString::fromStdString(app_->doc().title))));
    }

    void measuringIntoAStoreOfOtherHeadsIsRefusedAndMatchingHeadsGoOn() {
        Start("0:head:SN000001;1:head:SN000002;scene=halogen;timescale=0");
        const QString other = File("other.vqdata", {"OTHERA01", "OTHERB02", "OTHERC03"}, 4);
        Click(ctl::Detect);
        Answer([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });  // the save prompt
        Open(other);
        const QString refused = QStringLiteral(
            "表示中のデータのヘッド (OTHERA01, OTHERB02, OTHERC03) は、検出したヴァルネロ "
            "(SN000001, SN000002) と一致しないため、計測を開始できません。このまま計測すると、"
            "記録が別のヘッドの名前で残ります。\n新しく計測するには、解除してからもう一度検出して"
            "ください（表示中のデータはクリアされます）。このヴァルネロで記録したファイルに続けて"
            "計測するには、そのファイルを開いてください。");
        for (int button : {ctl::Start, ctl::OneShot}) {
            Answer(Ok);
            Click(button);
            QCOMPARE(*pending_, refused);
            QCOMPARE(qobject_cast<QAbstractButton*>(View().Control(ctl::Start))->text(), QStringLiteral("開始"));
            QVERIFY(!View().IsMeasuring());
            QCOMPARE(app_->doc().recordCount[2], 4);
        }
        // A file of the detected heads is continued.
        const QString same = File("same.vqdata", {"SN000001", "SN000002"}, 4);
        Open(same);
        MeasureOnce();
        QCOMPARE(app_->doc().recordCount[1], 5);
    }

    void saveAfterADetectionAsksWhereTheNewSeriesGoes() {
        Start("0:head:SN000001;scene=halogen;timescale=0");
        const QString opened = File("opened.vqdata", {"SN000001"}, 3);
        QFile before(opened);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray bytes = before.readAll();
        Open(opened);
        Answer(Ok);  // the records are cleared
        Click(ctl::Detect);
        MeasureOnce();
        QString proposed;
        QTimer::singleShot(0, this, [&proposed] {
            QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            proposed = QFileInfo(dlg->selectedFiles().value(0)).fileName();
            dlg->reject();
        });
        QAction* save = app_->mainFrame()->Action(FrameCommand::FileSave);
        QCOMPARE(save->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        save->trigger();
        QCOMPARE(proposed, QString::fromStdString(app_->doc().title) + QStringLiteral(".vqdata"));
        QVERIFY(proposed.startsWith(QStringLiteral("SN000001_")));
        QFile after(opened);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), bytes);
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::OperatorViewTest)
#include "OperatorViewTest.moc"
