// The control panel on the offscreen platform: controls and layout, the
// initial update, detection and release on the simulated bench, head
// selection, axis-corner editing, the display-data combo and the history
// button.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "common/PanelOptions.h"
#include "device/SimulatedDeviceLibrary.h"
#include "fakes/PanelFixture.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/GraphFrame.h"
#include "panel/GraphRenderer.h"
#include "panel/PanelControls.h"
#include "panel/PanelLayout.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

constexpr std::time_t kDetectTime = 1706741999;  // 2024-01-31 23:59:59 UTC

// A panel with its store, bench, dialogs and settings, on a fixed clock and
// before its initial update.
struct Panel : test::PanelFixture {
    explicit Panel(const char* bench = "3:head:AAA;5:head:BBB;7:led8;8:mirror;timescale=0",
                   int H = 640)
        : test::PanelFixture(
              bench, {.clock = [] { return kDetectTime; }, .height = H, .initialUpdate = false}) {}
    QStringList Items(int id) const {
        QStringList out;
        auto* list = C<QListWidget>(id);
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }
    // Records 0..n-1 of every head as the bench gives them, all at 25.5 degrees.
    void Record(int n) { RecordFromBench(n, 0, 25.5f, 0.0f); }
};

QString DetectTitle() {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", std::localtime(&kDetectTime));
    return QStringLiteral("AAA_BBB_") + stamp;
}

class ViewTest : public QObject {
    Q_OBJECT
private slots:
    void controlsCarryIdsAndCaptions();
    void layoutFollowsHeightAndMaintenanceMode();
    void layoutWaitsForFirstShowAndFollowsResize();
    void initialUpdateShowsTheStoredOptions();
    void optionsAreWrittenAtDestruction();
    void detectWithNoDeviceChangesNothingVisible();
    void detectFindsHeadsListsDevicesAndSetsTitle();
    void detectCancelledAtClearQuestionLeavesEverything();
    void releaseClosesHeadsAndDisablesStart();
    void headSelectionStoresTypedExposure();
    void axisCornerClicksEditLimitsWithFloors();
    void displayKindComboSetsKindAndInfoLine();
    void historyButtonEmptyAndFilled();
    void fullRepaintMessages();
    void relayoutLeavesNoOldDrawing();
    void screenshotAfterMeasurement();
};

void ViewTest::controlsCarryIdsAndCaptions() {
    Panel p;
    for (const ControlDef& def : PanelControlTable()) {
        QWidget* w = p.view->Control(def.id);
        QVERIFY2(w, qPrintable(QString::number(def.id)));
        QCOMPARE(w->property("ctrlId").toInt(), def.id);
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            QCOMPARE(b->text(), QString::fromUtf8(def.caption));
    }
    QVERIFY(qobject_cast<GraphFrame*>(p.view->Control(1000)));
    QCOMPARE(p.Caption(1002), QStringLiteral("検出"));
    QCOMPARE(p.Caption(1040), QStringLiteral("ダーク再設定"));
    QCOMPARE(p.C<QComboBox>(1047)->count(), 2);
    QCOMPARE(p.C<QComboBox>(1047)->itemText(0), QStringLiteral("最大/最小/温度"));
    QCOMPARE(p.C<QComboBox>(1047)->itemText(1), QStringLiteral("ＣＩＥデータ"));
    QVERIFY(p.C<QLineEdit>(1038)->isReadOnly());
    QVERIFY(p.C<QLineEdit>(1015)->isReadOnly());
    QVERIFY(!p.C<QLineEdit>(1005)->isReadOnly());
    QVERIFY(!p.view->Control(999));
}

void ExpectLayout(Panel& p, const LayoutInput& in) {
    for (const ControlPlace& place : LayoutPanel(in)) {
        QWidget* w = p.view->Control(place.id);
        const QString id = QString::number(place.id);
        QCOMPARE(w->isVisibleTo(p.view.get()), place.visible);
        if (place.visible)
            QCOMPARE(w->geometry(), QRect(place.x, place.y, place.width, place.height));
    }
}

void ViewTest::layoutFollowsHeightAndMaintenanceMode() {
    Panel p("3:head:AAA;timescale=0", 605);
    p.view->OnInitialUpdate();
    ExpectLayout(p, LayoutInput{605});
    QCOMPARE(p.view->Control(1000)->geometry(), QRect(5, 30, 600, 570));
    QCOMPARE(p.view->Control(1039)->geometry(), QRect(615, 611, 160, 28));
    QVERIFY(p.view->Control(1041)->isHidden());
    // Maintenance mode reaches the layout at the next pass (here the initial
    // update after File New).
    p.view->options().maintenanceMode = 1;
    QVERIFY(p.view->Control(1041)->isHidden());
    p.view->resize(810, 720);
    p.view->OnInitialUpdate();
    LayoutInput in{720};
    in.maintenanceMode = true;
    ExpectLayout(p, in);
    QCOMPARE(p.view->Control(1041)->geometry(), QRect(615, 541, 160, 28));
    QCOMPARE(p.view->Control(1043)->geometry(), QRect(615, 576, 60, 28));
    QCOMPARE(p.view->Control(1052)->geometry(), QRect(615, 611, 160, 28));
    QCOMPARE(p.view->Control(1039)->geometry(), QRect(615, 646, 160, 28));
    QCOMPARE(p.view->Control(1000)->geometry(), QRect(5, 30, 600, 685));
    // The display-data pair keeps its own place above the frame.
    QCOMPARE(p.view->Control(1047)->geometry(), QRect(450, 4, 150, 22));
    QCOMPARE(p.view->Control(1048)->geometry(), QRect(380, 7, 65, 20));
}

void ViewTest::layoutWaitsForFirstShowAndFollowsResize() {
    Panel p("3:head:AAA;timescale=0", 640);
    // Not shown yet: a layout call is ignored.
    p.view->LayoutPanel(700);
    QCOMPARE(p.view->Control(1000)->geometry().height(), TemplatePlace(1000)->height);
    p.view->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.view.get()));
    QCOMPARE(p.view->Control(1000)->geometry(), QRect(5, 30, 600, p.view->height() - 35));
    p.view->resize(810, 700);
    QTRY_COMPARE(p.view->Control(1000)->geometry(), QRect(5, 30, 600, 665));
    QVERIFY(p.view->FullRepaintPending());
    QTRY_VERIFY(!p.view->FullRepaintPending());
    QCOMPARE(p.view->messageLine1(),
             QStringLiteral("ヴァルネロを接続して、検出ボタンを押してください"));
}

void ViewTest::initialUpdateShowsTheStoredOptions() {
    Panel p;
    p.settings.ints["average/number"] = 4;
    p.settings.ints["interval/go"] = 1;
    p.settings.ints["interval/time"] = 250;
    p.settings.ints["logging/go"] = 1;
    p.settings.ints["repeat/go"] = 1;
    p.settings.ints["save/auto"] = 1;
    p.settings.ints["disp/kind"] = 1;
    p.Build();
    p.view->OnInitialUpdate();
    QCOMPARE(p.Text(1012), QStringLiteral("4"));
    QCOMPARE(p.Text(1017), QStringLiteral("250"));
    QVERIFY(p.Enabled(1017));
    QVERIFY(p.C<QCheckBox>(1014)->isChecked());
    QVERIFY(p.C<QCheckBox>(1016)->isChecked());
    QVERIFY(!p.C<QCheckBox>(1018)->isChecked());
    QVERIFY(p.C<QCheckBox>(1037)->isChecked());
    QCOMPARE(p.C<QComboBox>(1047)->currentIndex(), 1);
    QCOMPARE(p.Caption(1052), QStringLiteral("データ保存(AUTO)"));
    QCOMPARE(p.Text(1038), QStringLiteral("1 / 0"));
    QCOMPARE(p.Text(1015), QStringLiteral("0"));
    QVERIFY(p.C<QRadioButton>(1008)->isChecked());
    // Nothing detected: only the controls that need no head are usable.
    QVERIFY(!p.Enabled(1001));
    QVERIFY(!p.Enabled(1023));
    QVERIFY(!p.Enabled(1053));
    QVERIFY(p.Enabled(1002));
    QVERIFY(p.Enabled(1035));

    // A store loaded from a file: heads in brackets, head 0 selected.
    p.doc.headCount = 2;
    p.doc.serialNo[0] = "AAA";
    p.doc.serialNo[1] = "BBB";
    p.doc.exposureUs[0] = 1234;
    p.settings.ints.clear();
    p.Build();
    p.view->OnInitialUpdate();
    QCOMPARE(p.Items(1003), (QStringList{"(AAA)", "(BBB)"}));
    QCOMPARE(p.C<QListWidget>(1003)->currentRow(), 0);
    QCOMPARE(p.Text(1005), QStringLiteral("1234"));
    QCOMPARE(p.Caption(1052), QStringLiteral("データ保存"));
    QVERIFY(!p.Enabled(1017));
}

void ViewTest::optionsAreWrittenAtDestruction() {
    Panel p;
    p.settings.ints["graph/min"] = -300;
    p.Build();
    QCOMPARE(p.view->options().graphMin, -300);
    p.view->options().graphMax = 1000;
    p.view->OnInitialUpdate();
    p.view->FullRepaint();  // derives ratioMin = 160 * -300 / 1000
    p.view.reset();
    QCOMPARE(p.settings.ints["graph/max"], 1000);
    QCOMPARE(p.settings.ints["graph/min"], -300);
    QCOMPARE(p.settings.ints["ratio/min"], -48);
    QCOMPARE(p.settings.ints["average/number"], 1);
    QCOMPARE(p.settings.strings["save/fixfilename"], std::string("output"));
}

void ViewTest::detectWithNoDeviceChangesNothingVisible() {
    Panel p("0:kind:99;timescale=0");
    p.view->OnInitialUpdate();
    p.Click(1002);
    QVERIFY(p.Items(1003).isEmpty());
    QVERIFY(p.Items(1004).isEmpty());
    QCOMPARE(p.view->messageLine1(), QString());
    QCOMPARE(p.Caption(1002), QStringLiteral("検出"));
    QVERIFY(!p.view->state().detected);
    QVERIFY(!p.Enabled(1001));
    QVERIFY(p.doc.historyText.empty());

    // Only an LED driver and a mirror: listed, but nothing is detected.
    Panel q("2:led16;4:mirror;timescale=0");
    q.view->OnInitialUpdate();
    q.Click(1002);
    QCOMPARE(q.Items(1004), (QStringList{"LED16ch", "M-MIRROR"}));
    QVERIFY(!q.view->state().detected);
    QCOMPARE(q.view->state().mirrorDevice, std::optional<DeviceNumber>(DeviceNumber(4)));
    QVERIFY(!q.Enabled(1001));
}

void ViewTest::detectFindsHeadsListsDevicesAndSetsTitle() {
    Panel p;
    p.view->OnInitialUpdate();
    QSignalSpy title(p.view.get(), &Cvarnello_mfView::documentTitleChanged);
    p.Click(1002);
    QCOMPARE(p.Items(1003), (QStringList{"AAA", "BBB"}));
    QCOMPARE(p.Items(1004), (QStringList{"LED8ch", "M-MIRROR"}));
    QCOMPARE(p.doc.headCount, 2);
    QCOMPARE(p.view->state().headDevice[0], DeviceNumber(3));
    QCOMPARE(p.view->state().headDevice[1], DeviceNumber(5));
    QCOMPARE(p.view->state().mirrorDevice, std::optional<DeviceNumber>(DeviceNumber(8)));
    QCOMPARE(p.Caption(1002), QStringLiteral("解除"));
    QVERIFY(p.view->state().detected);
    QCOMPARE(title.count(), 1);
    QCOMPARE(QString::fromStdString(p.doc.title), DetectTitle());
    QCOMPARE(p.C<QListWidget>(1003)->currentRow(), 0);
    QCOMPARE(p.Text(1005), QString::number(p.doc.exposureUs[0]));
    QCOMPARE(p.view->messageLine1(), QStringLiteral("計測モードを選択してください"));
    QCOMPARE(p.view->messageLine2(),
             QStringLiteral("検出したヴァルネロを選択すると、露光時間を変更できます"));
    // Detected and idle: start, one-shot and dark measurement; the reference
    // buttons wait for their method.
    QVERIFY(p.Enabled(1001));
    QVERIFY(p.Enabled(1023));
    QVERIFY(p.Enabled(1053));
    QVERIFY(!p.Enabled(1020));
    QVERIFY(!p.Enabled(1021));
    QVERIFY(Cp932ToUtf8(p.doc.historyText).find("ヴァルネロ検出 1:serial=AAA") !=
            std::string::npos);
    // A full repaint keeps the detection message.
    p.view->FullRepaint();
    QCOMPARE(p.view->messageLine1(), QStringLiteral("計測モードを選択してください"));

    // A selection beyond the heads now found falls back to the first head.
    p.Click(1002);
    p.view->state().selectedHead = 7;
    p.Click(1002);
    QCOMPARE(p.view->state().selectedHead, 0);
    QCOMPARE(p.C<QListWidget>(1003)->currentRow(), 0);
    QVERIFY(p.dialogs.notices.empty());

    // A head that stops answering while its table is read is left out, and
    // the operator is told which one.
    Panel q("3:head:AAA;5:head:BBB;6:head:CCC;timescale=0");
    q.lib->UnplugAfterCommands(DeviceNumber(5), 150);
    q.view->OnInitialUpdate();
    q.Click(1002);
    QCOMPARE(q.Items(1003), (QStringList{"AAA", "CCC"}));
    QCOMPARE(q.dialogs.notices,
             std::vector<std::string>{
                 "装置番号 5 の分光器は校正データの読み込み中に応答しなくなったため、使用しません。"
                 "接続を確認してから、もう一度検出してください"});
}

void ViewTest::detectCancelledAtClearQuestionLeavesEverything() {
    // Records and heads from a loaded file, not detected.
    Panel p;
    p.doc.headCount = 1;
    p.doc.serialNo[0] = "OLD";
    p.doc.exposureUs[0] = 100;
    p.Record(3);
    p.view->OnInitialUpdate();
    p.C<QListWidget>(1003)->setCurrentRow(0);
    p.dialogs.okCancelAnswers = {false};
    p.Click(1002);
    QCOMPARE(p.dialogs.asked.size(), size_t(1));
    QCOMPARE(p.dialogs.asked[0],
             std::string("取り込み済みのデータはクリアされますが、よろしかったでしょうか"));
    QCOMPARE(p.Items(1003), QStringList{"(OLD)"});
    QCOMPARE(p.doc.recordCount[0], 3);
    QCOMPARE(p.doc.headCount, 1);
    QCOMPARE(p.Caption(1002), QStringLiteral("検出"));
    QVERIFY(!p.view->state().detected);

    // OK clears the records and shows the bench's heads.
    p.view->state().displayedRecord = 2;
    p.Click(1002);
    QCOMPARE(p.doc.recordCount[0], 0);
    QCOMPARE(p.view->state().displayedRecord, 0);
    QCOMPARE(p.Items(1003), (QStringList{"AAA", "BBB"}));
}

void ViewTest::releaseClosesHeadsAndDisablesStart() {
    Panel p;
    p.view->OnInitialUpdate();
    p.Click(1002);
    QVERIFY(p.lib->IsOpen(DeviceNumber(3)));
    p.view->state().measuring = true;  // as if a stop were still pending
    p.C<QPushButton>(1001)->setText(QStringLiteral("停止"));
    p.Click(1002);
    QVERIFY(!p.lib->IsOpen(DeviceNumber(3)));
    QVERIFY(!p.lib->IsOpen(DeviceNumber(5)));
    QCOMPARE(p.Caption(1002), QStringLiteral("検出"));
    QCOMPARE(p.Caption(1001), QStringLiteral("開始"));
    QVERIFY(!p.view->state().detected);
    QVERIFY(!p.view->IsMeasuring());
    QVERIFY(!p.Enabled(1001));
    QVERIFY(!p.Enabled(1023));
    QVERIFY(p.Items(1003).isEmpty());
    QVERIFY(p.Items(1004).isEmpty());
    QCOMPARE(p.view->messageLine1(),
             QStringLiteral("ヴァルネロを接続して検出ボタンを押してください"));
    const std::string history = Cp932ToUtf8(p.doc.historyText);
    QVERIFY(history.find("ヴァルネロ解除 \r\n") != std::string::npos);
    // The store keeps the heads.
    QCOMPARE(p.doc.headCount, 2);
    QCOMPARE(p.doc.serialNo[1], std::string("BBB"));
}

void ViewTest::headSelectionStoresTypedExposure() {
    Panel p;
    p.view->OnInitialUpdate();
    p.Click(1002);
    p.doc.exposureUs[1] = 4321;
    p.C<QLineEdit>(1005)->setText(QStringLiteral("  -12abc"));
    p.C<QListWidget>(1003)->setCurrentRow(1);
    QCOMPARE(p.doc.exposureUs[0], -12);
    QCOMPARE(p.view->state().selectedHead, 1);
    QCOMPARE(p.Text(1005), QStringLiteral("4321"));
    QCOMPARE(p.view->messageLine1(),
             QStringLiteral("露光時間を変更して開始ボタンを押すことで計測を開始します"));
    // Back to head 0 with text that holds no digits: head 1 gets 0.
    p.C<QLineEdit>(1005)->setText(QStringLiteral("abc"));
    p.C<QListWidget>(1003)->setCurrentRow(0);
    QCOMPARE(p.doc.exposureUs[1], 0);
    QCOMPARE(p.Text(1005), QStringLiteral("-12"));
    // No head has records: the info line of the selected head is computed anyway.
    QVERIFY(p.view->infoText().startsWith(QStringLiteral("average=")));
}

void ViewTest::axisCornerClicksEditLimitsWithFloors() {
    Panel p;
    p.view->OnInitialUpdate();
    QString askedLabel;
    float askedValue = 0;
    std::optional<float> answer;
    int asked = 0;
    p.view->SetNumberEditor([&](const QString& label, float value) {
        ++asked;
        askedLabel = label;
        askedValue = value;
        return answer;
    });
    QWidget* frame = p.view->Control(1000);
    const int H = 640;
    // Frame coordinates of the three corners of G = (5, 40, 595, H - 120).
    const QPoint topLeft(10, 50), bottomLeft(10, H - 120 - 5), topRight(590, 50);

    answer = 300.0f;
    QTest::mouseClick(frame, Qt::LeftButton, {}, topLeft);
    QCOMPARE(askedLabel, QStringLiteral("最大値"));
    QCOMPARE(askedValue, 8192.0f);
    QCOMPARE(p.view->options().graphMax, 500);

    answer = -800.0f;
    QTest::mouseClick(frame, Qt::LeftButton, {}, bottomLeft);
    QCOMPARE(askedLabel, QStringLiteral("最小値"));
    QCOMPARE(askedValue, 0.0f);
    QCOMPARE(p.view->options().graphMin, -500);

    answer = 30.9f;
    QTest::mouseClick(frame, Qt::LeftButton, {}, topRight);
    QCOMPARE(askedLabel, QStringLiteral("最大値"));
    QCOMPARE(askedValue, 160.0f);
    QCOMPARE(p.view->options().ratioMax, 30);
    // The redraw derived ratioMin from the new limits: 30 * -500 / 500.
    QCOMPARE(p.view->options().ratioMin, -30);

    answer = 2000.7f;
    QTest::mouseClick(frame, Qt::LeftButton, {}, topLeft);
    QCOMPARE(p.view->options().graphMax, 2000);

    // Cancel changes nothing; a click in the middle asks nothing.
    answer.reset();
    QTest::mouseClick(frame, Qt::LeftButton, {}, topLeft);
    QCOMPARE(p.view->options().graphMax, 2000);
    const int before = asked;
    QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseClick(p.view.get(), Qt::LeftButton, {}, QPoint(700, 620));
    QCOMPARE(asked, before);
}

void ViewTest::displayKindComboSetsKindAndInfoLine() {
    Panel p;
    p.view->OnInitialUpdate();
    p.Click(1002);
    p.Record(1);
    p.view->ReprocessDisplayed();
    p.C<QComboBox>(1047)->setCurrentIndex(1);
    QCOMPARE(p.view->options().displayKind, 1);
    QCOMPARE(
        p.view->messageLine1(),
        QStringLiteral("波長スペクトルから CIE-X,Y,Zを計算、さらに、ＲＧＢに変換し表示します。"));
    QVERIFY(p.view->infoText().startsWith(QStringLiteral("CIE X/Y/Z = ")));
    p.C<QComboBox>(1047)->setCurrentIndex(0);
    QCOMPARE(p.view->options().displayKind, 0);
    QCOMPARE(p.view->messageLine1(),
             QStringLiteral("波長スペクトルの最大値、最小値およびその波長を表示します"));
    QVERIFY(p.view->infoText().endsWith(QStringLiteral("Temp=25.5")));
    // No head selected: an empty info line.
    p.view->state().selectedHead = -1;
    p.C<QComboBox>(1047)->setCurrentIndex(1);
    QCOMPARE(p.view->infoText(), QString());
}

void ViewTest::historyButtonEmptyAndFilled() {
    Panel p;
    p.view->OnInitialUpdate();
    int runs = 0;
    p.view->SetHistoryDialogRunner([&] { ++runs; });
    p.Click(1039);
    QCOMPARE(p.view->messageLine1(),
             QStringLiteral("計測の履歴を表示しますが、履歴がありませんでした"));
    QCOMPARE(runs, 0);
    p.doc.AppendHistory("メモ");
    p.Click(1039);
    QCOMPARE(p.view->messageLine1(), QStringLiteral("計測の履歴を表示します"));
    QCOMPARE(runs, 1);
}

void ViewTest::fullRepaintMessages() {
    Panel p;
    p.view->OnInitialUpdate();
    QVERIFY(p.view->FullRepaintPending());
    p.view->FullRepaint();
    QVERIFY(!p.view->FullRepaintPending());
    QCOMPARE(p.view->messageLine1(),
             QStringLiteral("ヴァルネロを接続して、検出ボタンを押してください"));
    QCOMPARE(p.view->infoText(), QString());
    // Records of a run whose heads were released again, as after File Open.
    p.Click(1002);
    p.Record(2);
    p.Click(1002);
    p.view->workspace().displaySpectrum = {};
    p.view->OnInitialUpdate();
    QCOMPARE(p.Items(1003), (QStringList{"(AAA)", "(BBB)"}));
    p.view->FullRepaint();
    QCOMPARE(p.view->messageLine1(), QStringLiteral("以前取得したデータを表示します"));
    QCOMPARE(p.view->messageLine2(), QStringLiteral("BACK/NEXTボタンで表示できます"));
    QCOMPARE(p.Text(1038), QStringLiteral("1 / 2"));
    QCOMPARE(p.Text(1015), QStringLiteral("2"));
    // A display position left from a longer series comes back inside this one.
    p.view->state().displayedRecord = 40;
    p.view->OnInitialUpdate();
    QCOMPARE(p.Text(1038), QStringLiteral("2 / 2"));
    p.view->state().displayedRecord = 0;
    p.view->OnInitialUpdate();
    // The displayed record was processed at the initial update.
    float peak = 0;
    for (float v : p.view->workspace().displaySpectrum[0]) peak = std::max(peak, v);
    QVERIFY(peak > 100.0f);
}

void ViewTest::relayoutLeavesNoOldDrawing() {
    auto draw = [](Panel& p) {
        p.view->OnInitialUpdate();
        p.Click(1002);
        p.Record(3);
        p.view->OnInitialUpdate();
        p.view->FullRepaint();
        p.view->ShowInfo(QStringLiteral("情報行"));
        p.view->ShowMessage(QStringLiteral("一行目"), QStringLiteral("二行目"));
    };
    const char* bench = "3:head:AAA;5:head:BBB;scene=halogen;timescale=0";
    Panel relaid(bench, 700);
    draw(relaid);
    relaid.view->LayoutPanel(800);
    relaid.view->LayoutPanel(660);
    Panel fresh(bench, 660);
    draw(fresh);
    // Pixel for pixel what a panel drawn at that height from scratch shows:
    // no strip of the colour bar, message or curves from before.
    QCOMPARE(relaid.view->renderer().image(), fresh.view->renderer().image());
    QCOMPARE(relaid.view->messageLine1(), QStringLiteral("一行目"));
}

void ViewTest::screenshotAfterMeasurement() {
    Panel p("3:head:AAA;5:head:BBB;7:led8;8:mirror;scene=halogen;timescale=0");
    p.view->OnInitialUpdate();
    p.Click(1002);
    p.Record(3);
    p.view->state().displayedRecord = 2;
    p.view->OnInitialUpdate();
    p.view->FullRepaint();
    p.view->UpdateInfoBar(0);
    p.view->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.view.get()));
    const QString out = qEnvironmentVariable("VMF_VIEW_SCREENSHOT");
    if (!out.isEmpty()) QVERIFY(p.view->grab().save(out));
    // The graph has curves: head 0's pen colour appears in the frame.
    const QImage img = p.view->Control(1000)->grab().toImage();
    bool green = false;
    for (int y = 0; y < img.height() && !green; ++y)
        for (int x = 0; x < img.width() && !green; ++x)
            green = img.pixelColor(x, y) == QColor(0, 255, 0);
    QVERIFY(green);
}

}  // namespace
}  // namespace vmf

QTEST_MAIN(vmf::ViewTest)
#include "test_view.moc"
