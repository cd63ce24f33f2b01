// The trend window's full computation on its workers (offscreen): the points
// equal the one-thread computation for every head, the event loop keeps
// turning meanwhile with the progress bar up, and a data clear or another
// store adopted during the run starts it over with the new records. Also
// run under the tsan and asan presets.

#include <QComboBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "fakes/PanelFixture.h"
#include "fakes/TrendSeries.h"
#include "panel/CTrendDlg.h"

namespace vmf {
namespace {

test::PanelSetup Series(int heads, int records) {
    test::PanelSetup s;
    s.settings = false;
    s.prepare = [=](Cvarnello_mfDoc& doc) { test::FillTrendSeries(doc, heads, records, true); };
    return s;
}

// Every point of every head, bit for bit, against ComputeHeadTrend.
void ExpectOneThreadPoints(const CTrendDlg& w, const Cvarnello_mfDoc& doc) {
    const TrendCollector& c = w.collector();
    QCOMPARE(c.HeadCount(), doc.headCount);
    for (int a = 0; a < doc.headCount; ++a) {
        const std::vector<TrendPoint> want = ComputeHeadTrend(doc, a, c.Options());
        const std::vector<TrendPoint>& got = c.Points(a);
        QCOMPARE(got.size(), want.size());
        for (size_t r = 0; r < want.size(); ++r) {
            QCOMPARE(got[r].record, want[r].record);
            QCOMPARE(got[r].utcMs, want[r].utcMs);
            QVERIFY2(std::memcmp(got[r].v.data(), want[r].v.data(), sizeof want[r].v) == 0,
                     qPrintable(QStringLiteral("head %1 record %2").arg(a).arg(r)));
        }
    }
}

class TrendWorkersTest : public QObject {
    Q_OBJECT
private slots:
    void pointsEqualOneThreadWhileTheLoopTurns();
    void clearOrOtherStoreDuringTheRunStartsOver();
};

void TrendWorkersTest::pointsEqualOneThreadWhileTheLoopTurns() {
    test::PanelFixture p(nullptr, Series(5, 6000));
    CTrendDlg w(*p.view, nullptr);
    int ticksWhileRunning = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (w.collector().Running() && w.progressBar()->isVisible()) ++ticksWhileRunning;
    });
    tick.start();
    w.show();
    // The colour values cost the most: the run lasts long enough to watch.
    w.valueBox()->setCurrentIndex(w.valueBox()->findData(static_cast<int>(TrendValue::Cct)));
    QVERIFY(w.collector().Running());
    QVERIFY(QTest::qWaitFor([&] { return !w.collector().Running(); }, 120000));
    QVERIFY2(ticksWhileRunning >= 3, qPrintable(QString::number(ticksWhileRunning)));
    QVERIFY(!w.progressBar()->isVisible());
    QVERIFY(w.collector().Options().colour);
    ExpectOneThreadPoints(w, p.doc);
    QVERIFY(!std::isnan(w.collector().Points(4)[5999][TrendValue::Cct]));
}

void TrendWorkersTest::clearOrOtherStoreDuringTheRunStartsOver() {
    test::PanelFixture p(nullptr, Series(4, 8000));
    CTrendDlg w(*p.view, nullptr);
    w.show();
    QVERIFY(w.collector().Running());
    // Cleared and recorded again, alike in shape: only the temperatures
    // tell the new records from the old.
    p.doc.ClearRecords();
    test::FillTrendSeries(p.doc, 4, 8000, true);
    for (int a = 0; a < 4; ++a)
        for (int r = 0; r < 8000; ++r) p.doc.recTemperatureC(a, r) += 100.0f;
    QVERIFY(QTest::qWaitFor([&] { return !w.collector().Running(); }, 120000));
    QCOMPARE(w.collector().Points(3)[7999][TrendValue::Temperature],
             double(test::TrendTemperature(3, 7999) + 100.0f));
    ExpectOneThreadPoints(w, p.doc);

    // Another store adopted (a file opened) while the colour values run.
    w.valueBox()->setCurrentIndex(w.valueBox()->findData(static_cast<int>(TrendValue::Duv)));
    QVERIFY(w.collector().Running());
    Cvarnello_mfDoc staged;
    test::FillTrendSeries(staged, 2, 3000, false);
    p.doc.AdoptLoaded(staged);
    QVERIFY(QTest::qWaitFor([&] { return !w.collector().Running(); }, 120000));
    QCOMPARE(w.collector().HeadCount(), 2);
    QVERIFY(!w.collector().HasTimes());
    ExpectOneThreadPoints(w, p.doc);

    // The workers done but not yet polled when the records go, alike again:
    // their points are of the old records, so the collector starts over.
    TrendCollector c;
    c.Start(p.doc, TrendOptions{});
    QVERIFY(QTest::qWaitFor([&] { return c.Progress() >= 1.0; }, 120000));
    p.doc.ClearRecords();
    test::FillTrendSeries(p.doc, 2, 3000, false);
    p.doc.recTemperatureC(1, 2999) = -5.0f;
    c.Finish(p.doc);
    QCOMPARE(c.Points(1)[2999][TrendValue::Temperature], -5.0);

    // Closing the window stops the workers; showing it again computes afresh.
    w.valueBox()->setCurrentIndex(w.valueBox()->findData(static_cast<int>(TrendValue::Ra)));
    QVERIFY(w.collector().Running());
    w.close();
    QVERIFY(!w.collector().Running());
    QVERIFY(w.collector().Points(0).empty());
    w.show();
    QVERIFY(QTest::qWaitFor([&] { return !w.collector().Running(); }, 120000));
    ExpectOneThreadPoints(w, p.doc);
}

}  // namespace
}  // namespace vmf

QTEST_MAIN(vmf::TrendWorkersTest)
#include "test_trend_workers.moc"
