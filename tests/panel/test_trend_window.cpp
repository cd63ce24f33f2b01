// The trend window, the head swatches and the cursor readout on the real
// panel (offscreen): the trend of a series with known peaks and
// temperatures, a click moving the panel (not while measuring), points added
// live while logging, the window's settings, swatches in the pens' colours,
// the cursor text to the digit, and the graph's pixels left as they were.

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>
#include <QtCharts/QChart>

#include "fakes/PanelFixture.h"
#include "fakes/TrendSeries.h"
#include "panel/CTrendDlg.h"
#include "panel/CursorReadout.h"
#include "panel/GraphFrame.h"
#include "panel/HeadSwatches.h"
#include "panel/PanelControls.h"

namespace vmf {
namespace {

test::PanelSetup Series(int heads, int records, bool times = false) {
    test::PanelSetup s;
    s.settings = false;
    s.prepare = [=](Cvarnello_mfDoc& doc) { test::FillTrendSeries(doc, heads, records, times); };
    return s;
}

// The pixel at x of the icon's own size (the head list's swatches are narrow).
QColor PixelOf(const QIcon& icon, int x) {
    return icon.pixmap(icon.availableSizes().first()).toImage().pixelColor(x, 6);
}

class TrendWindowTest : public QObject {
    Q_OBJECT
private slots:
    void generatedSeriesGivesKnownPeaksAndTemperatures();
    void clickShowsThatRecordUnlessMeasuring();
    void livePointsWhileLogging();
    void placementAndOpenStateAreKept();
    void swatchesHaveThePensColoursAndLeaveTheGraph();
    void cursorTextOverAKnownSpectrum();
};

void TrendWindowTest::generatedSeriesGivesKnownPeaksAndTemperatures() {
    test::PanelFixture p(nullptr, Series(3, 40, true));
    CTrendDlg w(*p.view, nullptr);
    w.show();
    w.FinishComputation();
    const TrendCollector& c = w.collector();
    QCOMPARE(c.HeadCount(), 3);
    QVERIFY(c.HasTimes());
    QVERIFY(w.TimeAxis());
    for (int a = 0; a < 3; ++a) {
        QCOMPARE(static_cast<int>(c.Points(a).size()), 40);
        for (int r = 0; r < 40; ++r) {
            const TrendPoint& pt = c.Points(a)[static_cast<size_t>(r)];
            QCOMPARE(pt[TrendValue::PeakNm], 340.0 + 2 * test::TrendPeakChannel(a, r));
            QCOMPARE(pt[TrendValue::PeakValue], double(test::TrendPeakValue(a, r)));
            QCOMPARE(pt[TrendValue::Temperature], double(test::TrendTemperature(a, r)));
            QCOMPARE(pt[TrendValue::Exposure], 10000.0 + 100 * r);
            QCOMPARE(pt.utcMs, test::TrendTimeMs(r));
        }
    }
    // Every chosen head has its line, in its measured colour; head 2 taken off.
    QCOMPARE(w.series(1)->pen().color(), QColor(0, 205, 0));
    QCOMPARE(w.series(0)->count(), 40);
    w.headList()->item(2)->setCheckState(Qt::Unchecked);
    QVERIFY(w.series(2) == nullptr);
    // The temperature over record numbers: the line holds the temperatures.
    w.axisBox()->setCurrentIndex(0);
    w.valueBox()->setCurrentIndex(
        w.valueBox()->findData(static_cast<int>(TrendValue::Temperature)));
    QCOMPARE(w.series(1)->at(3), QPointF(4.0, double(test::TrendTemperature(1, 3))));
}

void TrendWindowTest::clickShowsThatRecordUnlessMeasuring() {
    test::PanelFixture p(nullptr, Series(2, 10));
    CTrendDlg w(*p.view, nullptr);
    w.show();
    w.FinishComputation();
    emit w.series(0)->clicked(QPointF(5.2, 0.0));  // near record 5
    QCOMPARE(p.view->state().displayedRecord, 4);
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("5 / 10"));
    p.view->state().measuring = true;
    QVERIFY(!w.PickAt(1, 9.0));
    QCOMPARE(p.view->state().displayedRecord, 4);
    QCOMPARE(w.noteLabel()->text(), QStringLiteral("計測中は記録を移動できません"));
    p.view->state().measuring = false;
    QVERIFY(w.PickAt(1, 9.0));
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("9 / 10"));
}

void TrendWindowTest::livePointsWhileLogging() {
    test::PanelFixture p("0:head:AAA;1:head:BBB;scene=halogen;timescale=0",
                         {.settings = false, .busy = true, .detect = true});
    CTrendDlg w(*p.view, nullptr);
    w.show();
    w.FinishComputation();
    // No records yet: the record axis has no two ticks within one record.
    auto* axis = qobject_cast<QValueAxis*>(w.chart()->axes(Qt::Horizontal).first());
    QVERIFY(axis && (axis->max() - axis->min()) / (axis->tickCount() - 1) >= 1.0);
    p.C<QAbstractButton>(ctl::Logging)->click();
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return p.doc.recordCount[0] >= 6; }, 10000));
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return !p.view->IsMeasuring(); }, 5000));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return !w.collector().Running() &&
                   static_cast<int>(w.collector().Points(1).size()) == p.doc.recordCount[1];
        },
        5000));
    for (int a = 0; a < 2; ++a)
        for (int r = 0; r < p.doc.recordCount[a]; ++r) {
            const TrendPoint& pt = w.collector().Points(a)[static_cast<size_t>(r)];
            QCOMPARE(pt[TrendValue::Temperature], double(p.doc.recTemperatureC(a, r)));
            QVERIFY(pt.utcMs == p.doc.recTimeUtcMs(a, r) && pt.utcMs != 0);
        }
    w.Redraw();
    QVERIFY(w.series(0)->count() >= 6);
}

void TrendWindowTest::placementAndOpenStateAreKept() {
    test::PanelFixture p(nullptr, Series(1, 3));
    test::FakeSettings settings;
    {
        CTrendDlg w(*p.view, &settings);
        QVERIFY(!w.WasOpen());
        w.setGeometry(100, 120, 500, 300);
        w.valueBox()->setCurrentIndex(
            w.valueBox()->findData(static_cast<int>(TrendValue::Average)));
        w.show();
    }
    QCOMPARE(settings.ints["trend/left"], 100);
    QCOMPARE(settings.ints["trend/bottom"], 420);
    QCOMPARE(settings.ints["trend/open"], 1);
    QCOMPARE(settings.ints["trend/value"], 2);
    {
        CTrendDlg w(*p.view, &settings);
        QVERIFY(w.WasOpen());
        QCOMPARE(w.geometry(), QRect(100, 120, 500, 300));
        QCOMPARE(w.valueBox()->currentIndex(), 2);
        w.show();
        w.close();
    }
    QCOMPARE(settings.ints["trend/open"], 0);
}

void TrendWindowTest::swatchesHaveThePensColoursAndLeaveTheGraph() {
    test::PanelFixture p(nullptr, Series(2, 3));
    p.view->DrawGraph();
    const QImage before = p.view->frame().renderer().image().copy();

    new HeadSwatches(*p.view);
    new CursorReadout(*p.view);
    CTrendDlg w(*p.view, nullptr);
    w.show();
    w.FinishComputation();
    p.view->DrawGraph();
    QCOMPARE(p.view->frame().renderer().image(), before);

    auto* list = p.C<QListWidget>(ctl::HeadList);
    QCOMPARE(PixelOf(list->item(0)->icon(), 2), QColor(0, 255, 0));
    QCOMPARE(PixelOf(list->item(1)->icon(), 6), QColor(0, 205, 0));
    p.view->state().method = MeasuringMethod::Reflectance;
    p.view->DrawGraph();
    QCOMPARE(PixelOf(list->item(1)->icon(), 2), QColor(0, 205, 0));
    QCOMPARE(PixelOf(list->item(1)->icon(), 6), QColor(60, 60, 205));

    auto compare = std::make_unique<Cvarnello_mfDoc>();
    compare->headCount = 2;
    p.view->compareStore() = std::move(compare);
    p.view->state().compareHead = 1;
    p.view->DrawGraph();
    const auto actions = p.C<QLineEdit>(ctl::CompareName)->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(PixelOf(actions.first()->icon(), 8), QColor(205, 0, 0));
    QVERIFY(!p.view->Control(ctl::CompareHeadPosition)->toolTip().isEmpty());
}

void TrendWindowTest::cursorTextOverAKnownSpectrum() {
    test::PanelFixture p(nullptr, Series(2, 1));
    auto* readout = new CursorReadout(*p.view);
    SpectrumWorkspace& ws = p.view->workspace();
    ws.displaySpectrum[0][210] = 1234.5f;
    ws.displaySpectrum[1][210] = -12.25f;
    ws.displayRatio[0][210] = 56.7f;
    ws.displayRatio[1][210] = 101.0f;
    const GraphRect plot = p.view->frame().renderer().Layout().plot;
    QCOMPARE(readout->TextAt(plot.left + 210, plot.top + 10),
             QStringLiteral("550 nm   ヘッド1 1234.5   ヘッド2 -12.2"));
    p.view->state().method = MeasuringMethod::Transmittance;
    p.view->state().selectedOnly = true;
    p.view->state().selectedHead = 0;
    QCOMPARE(readout->TextAt(plot.left + 210, plot.bottom),
             QStringLiteral("550 nm   ヘッド1 1234.5   ヘッド1 比率 56.7 %"));
    QCOMPARE(readout->TextAt(plot.left - 1, plot.top + 10), QString());
    QCOMPARE(readout->TextAt(plot.left + 210, plot.bottom + 1), QString());

    // Through the mouse: moving over the plot box shows it, leaving clears it.
    QSignalSpy status(p.view.get(), &Cvarnello_mfView::statusText);
    GraphFrame& frame = p.view->frame();
    QMouseEvent move(QEvent::MouseMove, QPointF(plot.left, plot.top + 5),
                     frame.mapToGlobal(QPointF(plot.left, plot.top + 5)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &move);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&frame, &leave);
    QCOMPARE(status.count(), 2);
    QCOMPARE(status.at(0).at(0).toString(),
             QStringLiteral("340 nm   ヘッド1 0.0   ヘッド1 比率 0.0 %"));
    QCOMPARE(status.at(1).at(0).toString(), QString());
}

}  // namespace
}  // namespace vmf

QTEST_MAIN(vmf::TrendWindowTest)
#include "test_trend_window.moc"
