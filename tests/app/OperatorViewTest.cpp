// What an operator sees in the whole program at its default 740 x 640 on the
// simulated bench.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QValueAxis>
#include <QtCharts/QChart>

#include "app/CMainFrame.h"
#include "app/Cvarnello_mfApp.h"
#include "fakes/TrendSeries.h"
#include "panel/CColourValuesDlg.h"
#include "panel/CTrendDlg.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/GraphRenderer.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

class OperatorViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<Cvarnello_mfApp> app_;
    std::shared_ptr<QString> said_;  // the text of the last message box answered
    int runs_ = 0;

    Cvarnello_mfView& View() { return *app_->view(); }
    QString Text(int id) { return qobject_cast<QAbstractButton*>(View().Control(id))->text(); }
    void Click(int id) { qobject_cast<QAbstractButton*>(View().Control(id))->click(); }

    void Start(const std::string& bench) {
        app_ = std::make_unique<Cvarnello_mfApp>();
        AppOptions options;
        options.settingsFile = dir_.filePath(QStringLiteral("%1.ini").arg(++runs_));
        options.benchText = bench + "scene=white;timescale=0";
        QVERIFY(app_->InitInstance(options));
        QVERIFY(QTest::qWaitForWindowExposed(app_->mainFrame()));
        QCOMPARE(app_->mainFrame()->frameGeometry().size(), QSize(740, 640));
    }

    // The next message box gets `button`; said_ then holds its text.
    void Answer(QMessageBox::StandardButton button = QMessageBox::Ok) {
        said_ = std::make_shared<QString>();
        QTimer::singleShot(0, this, [button, said = said_] {
            QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            *said = box->text();
            box->button(button)->click();
        });
    }

    void MeasureOnce() {
        const int before = app_->doc().recordCount[0];
        Click(ctl::OneShot);
        QTRY_VERIFY_WITH_TIMEOUT(app_->doc().recordCount[0] == before + 1 && !View().IsMeasuring(),
                                 10000);
    }

    // A data file of these heads, `records` records each, opened.
    QString Open(const char* name, const std::vector<std::string>& serials, int records) {
        Cvarnello_mfDoc doc;
        test::FillTrendSeries(doc, static_cast<int>(serials.size()), records, true);
        for (size_t a = 0; a < serials.size(); ++a) doc.serialNo[a] = serials[a];
        const QString path = dir_.filePath(QString::fromLatin1(name));
        std::string error;
        doc.SaveToFile(path.toStdString(), error);
        app_->mainFrame()->OpenDocumentFile(path);
        app_->mainFrame()->InitialUpdate();
        return path;
    }

private slots:
    void cleanup() {
        if (!app_) return;
        app_->doc().SetModifiedFlag(false);  // no journal left to ask about
        app_->ExitInstance();
        app_.reset();
    }

    void everySerialNumberReadsInFullInBothLists() {
        std::string bench;
        for (int n = 0; n < 10; ++n)
            bench += std::to_string(n) + ":head:BIG0000" + std::to_string(n) + ";";
        Start(bench);
        Click(ctl::Detect);
        auto* list = qobject_cast<QListWidget*>(View().Control(ctl::HeadList));
        QCOMPARE(list->geometry(), QRect(615, 56, 80, 100));
        QTRY_COMPARE(list->item(9)->toolTip(), QStringLiteral("ヘッド 10 / シリアル番号 BIG00009"));
        // Every unselected entry in view ends inside the list, with its own
        // last digit rather than the same ellipsis.
        const QImage shot = list->viewport()->grab().toImage();
        QSet<QByteArray> lastGlyphs;
        int rows = 0;
        for (int u = 1; list->visualItemRect(list->item(u)).bottom() < shot.height(); ++u, ++rows) {
            const QRect row = list->visualItemRect(list->item(u));
            auto ink = [&](int x) {
                QByteArray column;
                for (int y = row.top(); y <= row.bottom(); ++y)
                    column += qGray(shot.pixel(x, y)) < 128 ? '#' : '.';
                return column.contains('#') ? column : QByteArray();
            };
            int right = shot.width() - 1;
            while (right > 12 && ink(right).isEmpty()) --right;
            QVERIFY2(right > 40 && right < shot.width() - 2, qPrintable(QString::number(right)));
            QByteArray glyph;
            for (int x = right; !ink(x).isEmpty(); --x) glyph += ink(x);
            lastGlyphs.insert(glyph);
        }
        QCOMPARE(lastGlyphs.size(), rows);
        auto* trend = app_->mainFrame()->findChild<CTrendDlg*>();
        trend->show();
        trend->FinishComputation();
        QCOMPARE(trend->headList()->item(9)->text(), QStringLiteral("10 BIG00009"));
        QCOMPARE(trend->headList()->item(0)->toolTip(),
                 QStringLiteral("ヘッド 1 / シリアル番号 BIG00000"));
        QVERIFY(trend->headList()->viewport()->width() >= trend->headList()->sizeHintForColumn(0));
    }

    void trendWindowShowsTheStoreAndValueItComputes() {
        Start("0:head:AAA;");
        auto* trend = app_->mainFrame()->findChild<CTrendDlg*>();
        auto* values = trend->valueBox();
        trend->show();
        values->setCurrentIndex(values->findText(QStringLiteral("温度 (℃)")));
        Open("small.vqdata", {"SN000001", "SN000002"}, 5);
        trend->FinishComputation();
        QCOMPARE(trend->series(0)->count(), 5);
        // Another store, another value: their names and title at once, no old curve.
        Open("big.vqdata", {"BIG00001", "BIG00002"}, 3000);
        QCOMPARE(trend->headList()->item(0)->text(), QStringLiteral("1 BIG00001"));
        QCOMPARE(trend->series(0)->count(), 0);
        trend->FinishComputation();
        values->setCurrentIndex(values->findText(QStringLiteral("相関色温度 (K)")));
        auto y = [trend] {
            return qobject_cast<QValueAxis*>(trend->chart()->axes(Qt::Vertical).first());
        };
        QCOMPARE(y()->titleText(), QStringLiteral("相関色温度 (K)"));
        QCOMPARE(trend->series(0)->count(), 0);
        // Temperatures 20 .. 1520.5 °C: round ticks around them.
        values->setCurrentIndex(values->findText(QStringLiteral("温度 (℃)")));
        trend->FinishComputation();
        QCOMPARE(QString("%1 %2 %3").arg(y()->min()).arg(y()->max()).arg(y()->tickCount()),
                 QStringLiteral("-500 2000 6"));
        QCOMPARE(values->findText(QStringLiteral("最大値")), -1);  // the peak's value, once
    }

    void panelTellsWhatIsAndIsNotThere() {
        Start("0:head:AAA;");
        // The device text comes back once the cursor has left the graph.
        QStatusBar* bar = app_->mainFrame()->statusBar();
        QWidget* graph = View().Control(ctl::GraphFrame);
        QTest::mouseMove(graph, QPoint(300, 200));
        QTRY_VERIFY(bar->currentMessage().contains(QStringLiteral("nm")));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(graph, &leave);
        QCOMPARE(bar->currentMessage(), QStringLiteral("シミュレーション装置で動作中"));
        // ホワイト設定 with no record displayed: asked, then told nothing was stored.
        Click(ctl::Detect);
        Click(ctl::Reflectance);
        Answer();
        Click(ctl::White);
        QCOMPARE(*said_, QStringLiteral("白色板での測定値を登録しますか"));
        QCOMPARE(View().messageLine1() + View().messageLine2(),
                 QStringLiteral("表示中の計測データがないため、何も登録しませんでした。"
                                "計測して記録を表示してから、もう一度設定してください。"));
        // A detection that clears the records leaves the empty store's flat line only.
        Click(ctl::LightSource);
        MeasureOnce();
        QVERIFY(!View().infoText().isEmpty());
        Click(ctl::Detect);
        Answer();
        Click(ctl::Detect);
        QCOMPARE(View().infoText(), QString());
        const QImage image = View().renderer().image();
        QSet<int> rows;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == qRgb(0, 255, 0)) rows.insert(y);
        QCOMPARE(rows.size(), 1);
    }

    void theColourWindowNamesAComparisonWithoutReferences() {
        Start("0:head:AAA;");
        Click(ctl::Detect);
        MeasureOnce();
        Click(ctl::Reflectance);
        Answer();
        Click(ctl::White);
        Click(ctl::LightSource);
        Click(ctl::Reflectance);  // the record against its own white: 100 %
        auto compare = std::make_unique<Cvarnello_mfDoc>();
        test::FillTrendSeries(*compare, 1, 2, false);  // no references at all
        compare->serialNo[0] = "CMP00001";
        View().compareStore() = std::move(compare);
        qobject_cast<QLineEdit*>(View().Control(ctl::CompareName))
            ->setText(QStringLiteral("cmp.vqdata"));
        auto* colour = app_->mainFrame()->findChild<CColourValuesDlg*>();
        colour->show();
        colour->Refresh();
        const auto found =
            colour->table()->findItems(QStringLiteral("比較との色差 ΔE*ab"), Qt::MatchExactly);
        QCOMPARE(colour->table()->item(found.value(0)->row(), 1)->text(),
                 QStringLiteral("比較ファイルのこのヘッドには反射の基準（ホワイト設定）がないため、"
                                "比較できません"));
        colour->copyButton()->click();
        QVERIFY(QApplication::clipboard()->text().startsWith(
            QStringLiteral(
                "ファイル\t%1\r\nシリアル番号\tAAA\r\n比較ファイル\tcmp.vqdata\r\n"
                "比較ヘッド (シリアル番号) / 記録\t1 (CMP00001) / 1\r\nヘッド / 記録\t1 / 1\r\n")
                .arg(QString::fromStdString(app_->doc().title))));
    }

    void recordsGoOnlyIntoTheDetectedHeadsAndTheirOwnFile() {
        Start("0:head:SN000001;1:head:SN000002;");
        Click(ctl::Detect);
        Answer(QMessageBox::No);  // the save prompt of the detection
        Open("other.vqdata", {"OTHERA01", "OTHERB02", "OTHERC03"}, 4);
        for (int button : {ctl::Start, ctl::OneShot}) {
            Answer();
            Click(button);
            QCOMPARE(
                *said_,
                QStringLiteral(
                    "表示中のデータのヘッド (OTHERA01, OTHERB02, OTHERC03) は、検出したヴァルネロ "
                    "(SN000001, SN000002) "
                    "と一致しないため、計測を開始できません。このまま計測すると、"
                    "記録が別のヘッドの名前で残ります。\n新しく計測するには、解除してからもう一度検"
                    "出して"
                    "ください（表示中のデータはクリアされます）。このヴァルネロで記録したファイルに"
                    "続けて"
                    "計測するには、そのファイルを開いてください。"));
            QCOMPARE(Text(ctl::Start), QStringLiteral("開始"));
            QCOMPARE(app_->doc().recordCount[2], 4);
        }
        // A file of the detected heads is continued ...
        const QString same = Open("same.vqdata", {"SN000001", "SN000002"}, 4);
        QFile file(same);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        MeasureOnce();
        QCOMPARE(app_->doc().recordCount[1], 5);
        // ... but after a new detection Ctrl+S asks where the new series goes.
        Click(ctl::Detect);
        Answer();  // the records are cleared
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
        save->trigger();
        QCOMPARE(proposed, QString::fromStdString(app_->doc().title) + QStringLiteral(".vqdata"));
        QVERIFY(proposed.startsWith(QStringLiteral("SN000001_SN000002_")));
        QFile after(same);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), bytes);
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::OperatorViewTest)
#include "OperatorViewTest.moc"
