// Pixel tests of the spectrum graph drawn off-screen: every line and curve
// must land on the exact pixel the graph maths gives, in the exact colour.

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>
#include <set>

#include "panel/GraphFrame.h"
#include "panel/GraphRenderer.h"
#include "spectrum/WavelengthColour.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

namespace {

constexpr int H = 640;  // G = (5, 40, 595, 520), P = (44, 45, 555, 495), plotH 450

QRgb Px(int r, int g, int b) { return qRgb(r, g, b); }
QRgb At(const QImage& img, int x, int y) { return img.pixel(x, y) | 0xff000000u; }

// Rows y of column x within the plot box's rows (its border and the row
// below it included) that have colour c; text never reaches them.
std::set<int> RowsWith(const QImage& img, int x, QRgb c) {
    std::set<int> rows;
    for (int y = 45; y <= 495; ++y) {
        if (At(img, x, y) == c) rows.insert(y);
    }
    return rows;
}

// Columns x of row y within the plot box's columns that have colour c.
std::set<int> ColumnsWith(const QImage& img, int y, QRgb c) {
    std::set<int> cols;
    for (int x = 44; x < 555; ++x) {
        if (At(img, x, y) == c) cols.insert(x);
    }
    return cols;
}

int CountColour(const QImage& img, QRgb c, QRect* bounds = nullptr) {
    int n = 0;
    QRect b;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (At(img, x, y) == c) {
                ++n;
                b |= QRect(x, y, 1, 1);
            }
        }
    }
    if (bounds) *bounds = b;
    return n;
}

// Pixels noticeably darker than white inside a rectangle (text strokes).
int DarkPixels(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (qGray(img.pixel(x, y)) < 160) ++n;
        }
    }
    return n;
}

void Fill(std::array<float, GRID_POINTS>& row, float v) { row.fill(v); }

}  // namespace

class TestGraphRenderer : public QObject {
    Q_OBJECT

    std::unique_ptr<Cvarnello_mfDoc> doc_;
    std::unique_ptr<SpectrumWorkspace> ws_;
    std::unique_ptr<GridRows> compare_;
    std::unique_ptr<GraphRenderer> r_;
    int ratioMin_ = 12345;

    GraphInput Input() {
        GraphInput in;
        in.ws = ws_.get();
        in.doc = doc_.get();
        in.ratioMin = &ratioMin_;
        in.compareSpectrum = compare_.get();
        return in;
    }
    const QImage& Img() { return r_->image(); }
    const GraphLayout& L() { return r_->Layout(); }

private slots:
    void init() {
        doc_ = std::make_unique<Cvarnello_mfDoc>();
        ws_ = std::make_unique<SpectrumWorkspace>();
        compare_ = std::make_unique<GridRows>();
        r_ = std::make_unique<GraphRenderer>();
        r_->Resize(H);
        ratioMin_ = 12345;
    }

    void boxesFollowTheRectangleConvention() {
        r_->DrawGraph(Input());
        const QImage& img = Img();
        QCOMPARE(img.size(), QSize(600, 605));
        const QRgb black = Px(0, 0, 0), white = Px(255, 255, 255);
        // G = (5, 40, 595, 520): border on columns 5 and 594, rows 40 and 519.
        QCOMPARE(At(img, 5, 300), black);
        QCOMPARE(At(img, 594, 300), black);
        QVERIFY(At(img, 4, 300) != black);
        QVERIFY(At(img, 595, 300) != black);
        QCOMPARE(At(img, 300, 40), black);
        QCOMPARE(At(img, 300, 519), black);
        QVERIFY(At(img, 300, 520) != black);
        QCOMPARE(At(img, 300, 42), white);
        // P = (44, 45, 555, 495) inside it.
        QCOMPARE(At(img, 44, 300), black);
        QCOMPARE(At(img, 554, 300), black);
        QCOMPARE(At(img, 555, 300), white);
        QCOMPARE(At(img, 300, 45), black);
        QCOMPARE(At(img, 300, 200), white);
    }

    void horizontalGridOfTheDefaultLimits() {
        r_->DrawGraph(Input());
        std::set<int> expected;
        for (int v = 0; v <= 8000; v += 1000) expected.insert(495 - v * 450 / 8192);
        // Column 30 of the plot box crosses no wavelength line.
        QCOMPARE(RowsWith(Img(), L().plot.left + 30, Px(192, 192, 192)), expected);
        QCOMPARE(ratioMin_, 0);
        // 8192 would sit on the top border: that row stays the border.
        QCOMPARE(At(Img(), L().plot.left + 30, 45), Px(0, 0, 0));
    }

    void horizontalGridWithNegativeMinimum() {
        GraphInput in = Input();
        in.graphMax = 1000;
        in.graphMin = -500;
        r_->DrawGraph(in);
        QCOMPARE(RowsWith(Img(), L().plot.left + 30, Px(192, 192, 192)),
                 (std::set<int>{495, 345, 195}));
        QCOMPARE(ratioMin_, -80);
    }

    void noHorizontalGridWithoutARange() {
        GraphInput in = Input();
        in.graphMax = 1000;
        in.graphMin = 1000;
        r_->DrawGraph(in);
        QVERIFY(RowsWith(Img(), L().plot.left + 30, Px(192, 192, 192)).empty());
        in.graphMax = 0;  // a hand-edited setting: no ticks, no division by zero
        in.graphMin = -1000;
        r_->DrawGraph(in);
        QVERIFY(RowsWith(Img(), L().plot.left + 30, Px(192, 192, 192)).empty());
        QCOMPARE(ratioMin_, 0);
    }

    void verticalGridFrom350To800() {
        r_->DrawGraph(Input());
        std::set<int> expected;
        for (int nm = 350; nm <= 800; nm += 50) expected.insert(L().plot.left + nm - 340);
        // Row 65 lies between the 8000 line (56) and the 7000 line (111).
        QCOMPARE(ColumnsWith(Img(), 65, Px(192, 192, 192)), expected);
        // The lines run from the top border down to P.bottom - 1 only.
        QCOMPARE(At(Img(), L().plot.left + 10, 45), Px(192, 192, 192));
        QCOMPARE(At(Img(), L().plot.left + 10, 494), Px(192, 192, 192));
        QCOMPARE(DarkPixels(Img(), QRect(L().plot.left, 497, 511, 18)) > 0,
                 true);  // wavelength labels
    }

    void measuredCurveIsGreenAndClampedToThePlotBox() {
        doc_->headCount = 1;
        auto& row = ws_->displaySpectrum[0];
        for (int k = 0; k < GRID_POINTS; ++k)
            row[k] = k < 100 ? 4096.0f : k < 200 ? 20000.0f : k < 300 ? -50.0f : 1000.0f;
        r_->DrawGraph(Input());
        const QRgb green = Px(0, 255, 0);
        const int x0 = L().plot.left;
        QCOMPARE(At(Img(), x0 + 50, 495 - 225), green);
        QCOMPARE(At(Img(), x0 + 150, 45), green);   // above graphMax: the top edge
        QCOMPARE(At(Img(), x0 + 250, 495), green);  // negative: the bottom edge
        QCOMPARE(At(Img(), x0 + 400, 495 - 54), green);
        QRect b;
        QVERIFY(CountColour(Img(), green, &b) > 500);
        QVERIFY(b.left() >= x0 && b.right() < x0 + 511);
        QVERIFY(b.top() >= 45 && b.bottom() <= 495);
    }

    void curveSegmentsLeaveOutOnlyTheLastPoint() {
        doc_->headCount = 1;
        auto& row = ws_->displaySpectrum[0];
        for (int k = 0; k < GRID_POINTS; ++k) row[k] = k <= 100 ? 0.0f : 8192.0f;
        r_->DrawGraph(Input());
        const QRgb green = Px(0, 255, 0);
        const int x0 = L().plot.left;
        // The jump from y 495 (index 100) to 45 (index 101) is one steep
        // segment: its lower half in the first column, its upper half in the next.
        std::set<int> lower, upper;
        for (int y = 271; y <= 495; ++y) lower.insert(y);
        for (int y = 45; y <= 270; ++y) upper.insert(y);
        QCOMPARE(RowsWith(Img(), x0 + 100, green), lower);
        QCOMPARE(RowsWith(Img(), x0 + 101, green), upper);
        // The polyline ends at index 510, which stays undrawn.
        QCOMPARE(At(Img(), x0 + 509, 45), green);
        QVERIFY(At(Img(), x0 + 510, 45) != green);
    }

    void barModeDrawsWavelengthBarsAndNoRatioCurve() {
        doc_->headCount = 1;
        Fill(ws_->displaySpectrum[0], 4096.0f);
        Fill(ws_->displayRatio[0], 80.0f);
        GraphInput in = Input();
        in.barDisplay = true;
        in.method = MeasuringMethod::Reflectance;
        in.maintenanceMode = true;
        r_->DrawGraph(in);
        const int x = L().plot.left + 180;  // 520 nm, band row 18
        const QRgb band = Px(0, 198, 0);
        QCOMPARE(At(Img(), x, 495), band);
        QCOMPARE(At(Img(), x, 495 - 224), band);
        QVERIFY(At(Img(), x, 495 - 225) != band);  // a bar of height h covers h pixels
        QCOMPARE(CountColour(Img(), Px(60, 60, 255)), 0);
        QCOMPARE(CountColour(Img(), Px(255, 128, 255)), 0);  // no maintenance curves either
    }

    void ratioCurveOnlyForReflectanceAndTransmittance() {
        doc_->headCount = 1;
        Fill(ws_->displayRatio[0], 80.0f);
        GraphInput in = Input();
        r_->DrawGraph(in);
        QCOMPARE(CountColour(Img(), Px(60, 60, 255)), 0);
        in.method = MeasuringMethod::Transmittance;
        r_->DrawGraph(in);
        QCOMPARE(At(Img(), L().plot.left + 300, 495 - 225), Px(60, 60, 255));
        // With a negative graphMin the ratio axis starts at the derived minimum.
        in.graphMin = -500;
        in.graphMax = 1000;
        r_->DrawGraph(in);
        QCOMPARE(At(Img(), L().plot.left + 300, 495 - 450 * 160 / 240), Px(60, 60, 255));
    }

    void selectedOnlyFiltersHeadsButNotComparisonCurves() {
        doc_->headCount = 2;
        Fill(ws_->displaySpectrum[0], 1000.0f);
        Fill(ws_->displaySpectrum[1], 3000.0f);
        Fill((*compare_)[0], 5000.0f);
        Fill((*compare_)[1], 6000.0f);
        GraphInput in = Input();
        in.selectedOnly = true;
        in.selectedHead = 1;
        in.compareHeadCount = 2;
        r_->DrawGraph(in);
        QCOMPARE(CountColour(Img(), Px(0, 255, 0)), 0);
        QVERIFY(CountColour(Img(), Px(0, 205, 0)) > 0);
        QCOMPARE(CountColour(Img(), Px(255, 0, 0)), 0);  // not drawable yet
        in.compareDrawable = true;
        r_->DrawGraph(in);
        QCOMPARE(At(Img(), L().plot.left + 300, 495 - 5000 * 450 / 8192), Px(255, 0, 0));
        QCOMPARE(At(Img(), L().plot.left + 300, 495 - 6000 * 450 / 8192), Px(205, 0, 0));
        in.selectedOnly = false;
        r_->DrawGraph(in);
        QVERIFY(CountColour(Img(), Px(0, 255, 0)) > 0);

        // Ratio and gain curves follow the filter as well.
        for (int u = 0; u < 2; ++u) {
            Fill(ws_->displayRatio[u], 40.0f + 40.0f * u);
            doc_->channelCount[u] = 100;
            for (int c = 0; c < 100; ++c) {
                doc_->wavelengthNm[u][c] = 350.0f + 4.0f * c;
                doc_->gain[u][c] = 3.0f + u;
            }
        }
        in.selectedOnly = true;
        in.method = MeasuringMethod::Reflectance;
        in.maintenanceMode = true;
        r_->DrawGraph(in);
        QCOMPARE(CountColour(Img(), Px(60, 60, 255)), 0);
        QVERIFY(CountColour(Img(), Px(60, 60, 205)) > 0);
        QCOMPARE(CountColour(Img(), Px(128, 0, 255)), 0);
        QVERIFY(CountColour(Img(), Px(78, 0, 205)) > 0);
        QVERIFY(CountColour(Img(), Px(255, 0, 0)) > 0);

        // Bars: only the selected head's heights count.
        Fill(ws_->displaySpectrum[0], 8000.0f);
        Fill(ws_->displaySpectrum[1], 2048.0f);
        in.barDisplay = true;
        r_->DrawGraph(in);
        const int x = L().plot.left + 180;
        QCOMPARE(At(Img(), x, 495 - 111), Px(0, 198, 0));  // 2048 -> 112 pixels
        QCOMPARE(At(Img(), x, 495 - 112), Px(255, 255, 255));
    }

    void maintenanceDrawsResponseAndInverseGain() {
        doc_->headCount = 1;
        doc_->channelCount[0] = MAX_CHANNELS;
        for (int c = 0; c < MAX_CHANNELS; ++c) {
            doc_->wavelengthNm[0][c] = 320.0f + 2.0f * c;  // the first ten fall left of the grid
            doc_->gain[0][c] = 2.0f;
        }
        doc_->wavelengthNm[0][100] = std::nanf("");
        doc_->gain[0][101] = 0.0f;
        GraphInput in = Input();
        in.maintenanceMode = true;
        r_->DrawGraph(in);
        // Response peak 99.41 % at 494 nm: trunc(447.345) = 447.
        QCOMPARE(At(Img(), L().plot.left + 154, 495 - 447), Px(255, 128, 255));
        // Inverse gain 450 / 2 at every channel from 340 nm on.
        const QRgb gain = Px(128, 0, 255);
        QCOMPARE(At(Img(), L().plot.left + 40, 495 - 225), gain);
        QRect b;
        QVERIFY(CountColour(Img(), gain, &b) > 0);
        QCOMPARE(b.left(), L().plot.left);
        QCOMPARE(b.top(), 45);  // the zero gain goes to the top edge
    }

    void colourBarBlocksUnderThePlotBox() {
        r_->DrawColourBar();
        const GraphRect bar = L().colourBar;
        QCOMPARE(At(Img(), 5, bar.top), Px(0, 0, 0));
        QCOMPARE(At(Img(), 594, bar.bottom - 1), Px(0, 0, 0));
        for (int k = 0; k <= 50; ++k) {
            const Rgb8 c = WavelengthColourRgb(k);
            for (int dx : {0, 9}) {
                QCOMPARE(At(Img(), L().plot.left + 10 * k + dx, bar.top + 5),
                         Px(c.red, c.green, c.blue));
                QCOMPARE(At(Img(), L().plot.left + 10 * k + dx, bar.top + 14),
                         Px(c.red, c.green, c.blue));
            }
        }
        QCOMPARE(At(Img(), L().plot.left + 200, bar.top + 4), Px(255, 255, 255));
        QCOMPARE(At(Img(), L().plot.left + 200, bar.top + 15), Px(255, 255, 255));
        QCOMPARE(At(Img(), L().plot.left + 511, bar.top + 8), Px(255, 255, 255));
    }

    void messageAreaAndInfoBar() {
        const GraphRect m = L().message;
        r_->ShowMessage(QStringLiteral("ヴァルネロを接続して、検出ボタンを押してください"));
        QCOMPARE(At(Img(), m.left, m.top), Px(0, 0, 0));
        QVERIFY(DarkPixels(Img(), QRect(m.left + 10, m.top + 5, 400, 19)) > 50);
        QCOMPARE(DarkPixels(Img(), QRect(m.left + 1, m.top + 25, 580, 23)), 0);
        r_->ShowMessage(QStringLiteral("以前取得したデータを表示します"),
                        QStringLiteral("BACK/NEXTボタンで表示できます"));
        QVERIFY(DarkPixels(Img(), QRect(m.left + 10, m.top + 25, 400, 23)) > 50);
        r_->ShowMessage(QString());
        QCOMPARE(DarkPixels(Img(), QRect(m.left + 1, m.top + 1, 588, 48)), 0);

        const GraphRect i = L().info;
        r_->ShowInfo(QStringLiteral("Ave 100.0"));
        QVERIFY(DarkPixels(Img(), QRect(i.left + 10, i.top + 5, 200, 20)) > 10);
        r_->ShowInfo(QString());
        QCOMPARE(DarkPixels(Img(), QRect(i.left + 1, i.top + 1, 588, 28)), 0);
        QCOMPARE(At(Img(), i.right - 1, i.bottom - 1), Px(0, 0, 0));
    }

    void resizingKeepsTheImageAndSmallPanelsAreSafe() {
        doc_->headCount = 1;
        Fill(ws_->displaySpectrum[0], 4096.0f);
        r_->DrawGraph(Input());
        r_->Resize(700);
        QCOMPARE(At(Img(), 5, 40), Px(0, 0, 0));
        QCOMPARE(At(Img(), 300, 650), Px(240, 240, 240));
        for (int h : {0, 20, 35, 36, 100, 160}) {
            r_->Resize(h);
            r_->DrawGraph(Input());
            r_->DrawColourBar();
            r_->ShowMessage(QStringLiteral("x"), QStringLiteral("y"));
            r_->ShowInfo(QStringLiteral("z"));
        }
        QCOMPARE(ratioMin_, 0);
    }

    void frameShowsTheImageAndReportsClicksInPanelCoordinates() {
        QWidget panel;
        panel.resize(800, H);
        auto* frame = new GraphFrame(&panel);
        frame->LayoutForPanelHeight(H);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(frame->geometry(), QRect(5, 30, 600, 605));
        QCOMPARE(frame->property("ctrlId").toInt(), 1000);
        doc_->headCount = 1;
        Fill(ws_->displaySpectrum[0], 4096.0f);
        frame->DrawGraph(Input());
        frame->DrawColourBar();
        frame->ShowMessage(QStringLiteral("検出"));
        const QImage shown = frame->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), frame->renderer().image().size());
        QVERIFY(shown == frame->renderer().image());

        QSignalSpy spy(frame, &GraphFrame::clicked);
        QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(10, 50));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toPoint(), QPoint(15, 80));
        QTest::mouseClick(frame, Qt::RightButton, {}, QPoint(10, 50));
        QCOMPARE(spy.count(), 1);

        // A renderer the caller owns is shown the same way.
        GraphRenderer shared;
        auto* second = new GraphFrame(shared, &panel);
        second->LayoutForPanelHeight(H);
        shared.ShowInfo(QStringLiteral("info"));
        QVERIFY(second->grab().toImage().convertToFormat(QImage::Format_RGB32) == shared.image());
        delete second;
    }

    // Writes a sample graph for a look by eye when VMF_GRAPH_SAMPLE names a file.
    void sampleImage() {
        const QByteArray path = qgetenv("VMF_GRAPH_SAMPLE");
        if (path.isEmpty()) QSKIP("set VMF_GRAPH_SAMPLE to write a sample PNG");
        doc_->headCount = 3;
        for (int u = 0; u < 3; ++u) {
            doc_->channelCount[u] = MAX_CHANNELS;
            for (int c = 0; c < MAX_CHANNELS; ++c) {
                doc_->wavelengthNm[u][c] = 335.0f + 1.85f * c;
                doc_->gain[u][c] = 1.2f + 0.004f * c + 0.1f * u;
            }
            for (int k = 0; k < GRID_POINTS; ++k) {
                const float x = (k - 200.0f - 40.0f * u) / 80.0f;
                ws_->displaySpectrum[u][k] = 6000.0f * std::exp(-x * x) - 300.0f;
                ws_->displayRatio[u][k] = 40.0f + 30.0f * u + 0.1f * k;
                (*compare_)[u][k] = 4000.0f * std::exp(-x * x);
            }
        }
        GraphInput in = Input();
        in.graphMin = -500;
        in.method = MeasuringMethod::Reflectance;
        in.maintenanceMode = true;
        in.compareHeadCount = 1;
        in.compareDrawable = true;
        r_->DrawGraph(in);
        r_->DrawColourBar();
        r_->ShowInfo(QStringLiteral("Ave:  1234.5  Min:   -12.0 (412nm)  Max:  5700.0 (540nm)"));
        r_->ShowMessage(QStringLiteral("以前取得したデータを表示します"),
                        QStringLiteral("BACK/NEXTボタンで表示できます"));
        QVERIFY(Img().save(QString::fromLocal8Bit(path)));
        in.barDisplay = true;
        r_->DrawGraph(in);
        QVERIFY(Img().save(QString::fromLocal8Bit(path) + QStringLiteral(".bars.png")));
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::TestGraphRenderer)
#include "test_graph_renderer.moc"
