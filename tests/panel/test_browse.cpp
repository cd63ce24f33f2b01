// Browsing on the offscreen panel: BACK/NEXT at the ends, the continuous
// play driven through timer 3, and the comparison file (load, Cancel, its
// rows, a file that fails to load, the clamp of the record on a head change).

#include <QImage>
#include <QTest>
#include <filesystem>
#include <memory>
#include <vector>

#include "fakes/PanelFixture.h"
#include "panel/BrowseController.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/GraphMath.h"
#include "panel/GraphRenderer.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

// Also keeps the filter of the last open dialog.
class Dialogs : public test::ScriptedDialogs {
public:
    std::string filter;
    std::optional<std::string> OpenFileName(const std::string& t, const std::string& f,
                                            const std::string& s) override {
        filter = f;
        return ScriptedDialogs::OpenFileName(t, f, s);
    }
};

// Head a, record r, channel c holds 1000 * (a + 1) + 100 * r + c at 340 + 2c nm,
// so every grid row tells which head and record it came from.
float Level(int a, int r, int c) { return 1000.0f * (a + 1) + 100.0f * r + c; }

void Fill(Cvarnello_mfDoc& d, const std::vector<int>& records) {
    d.headCount = static_cast<int>(records.size());
    for (int a = 0; a < d.headCount; ++a) {
        d.headKind[a] = "C12880MA";
        d.serialNo[a] = "S" + std::to_string(a);
        d.channelCount[a] = MAX_CHANNELS;
        d.exposureUs[a] = 1000;
        for (int c = 0; c < MAX_CHANNELS; ++c) d.wavelengthNm[a][c] = 340.0f + 2.0f * c;
        for (int r = 0; r < records[a]; ++r) {
            QVERIFY(d.EnsureRecordArrays(a, r));
            for (int c = 0; c < MAX_CHANNELS; ++c)
                d.recRaw(a, r)[c] = d.recProcessed(a, r)[c] = Level(a, r, c);
            d.recExposureUs(a, r) = 1000;
            d.recTemperatureC(a, r) = 20.0f + r;
        }
        d.recordCount[a] = records[a];
    }
}

// A panel without devices or settings over a store holding `records`.
struct Panel : test::BasicPanelFixture<Dialogs> {
    explicit Panel(const std::vector<int>& records = {})
        : BasicPanelFixture(nullptr, {.settings = false,
                                      .prepare = [&](Cvarnello_mfDoc& d) { Fill(d, records); }}) {}
    BrowseController& browse() { return view->browse(); }
    bool Shown(int id) const { return view->Control(id)->isVisibleTo(view.get()); }
    // A comparison file written by the store itself.
    std::string SaveFile(const char* name, const std::vector<int>& records) {
        Cvarnello_mfDoc d;
        Fill(d, records);
        const std::string path = Path(name);
        std::string error;
        if (!d.SaveToFile(path, error)) qFatal("save: %s", error.c_str());
        return path;
    }
    void Compare(std::optional<std::string> answer) {
        dialogs.fileAnswers.push_back(std::move(answer));
        Click(ctl::Compare);
    }
    // Pixels of the comparison pen of head u inside the graph area (the
    // colour bar below has a pure red block of its own).
    int RedPixels(int u = 0) {
        view->FullRepaint();
        const QImage& img = view->renderer().image();
        const GraphRect g = view->renderer().Layout().graph;
        const QRgb red = qRgb(255 - 50 * u, 0, 0);
        int n = 0;
        for (int y = g.top; y < g.bottom; ++y)
            for (int x = g.left; x < g.right; ++x) n += (img.pixel(x, y) | 0xff000000u) == red;
        return n;
    }
};

class BrowseTest : public QObject {
    Q_OBJECT
private slots:
    void stepsDoNothingAtTheEnds();
    void continuousPlayRunsToTheLastRecordAndStopsWhenBlocked();
    void comparisonLoadAndCancel();
    void comparisonRowsTouchOnlyTheComparison();
    void failedComparisonLoadKeepsThePreviousOne();
    void screenshotWithComparison();
};

void BrowseTest::stepsDoNothingAtTheEnds() {
    {
        Panel p;  // no records at all
        QCOMPARE(p.Text(ctl::Position), QStringLiteral("1 / 0"));
        p.view->ShowMessage(QStringLiteral("x"));
        p.Click(ctl::Back);
        p.Click(ctl::Next);
        QCOMPARE(p.Text(ctl::Position), QStringLiteral("1 / 0"));
        QCOMPARE(p.view->state().displayedRecord, 0);
        QCOMPARE(p.view->messageLine1(), QStringLiteral("x"));
        QVERIFY(!p.browse().RepeatTimerActive());
    }
    Panel p({3});
    p.view->state().displayedRecord = 2;
    p.view->ShowPosition();
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("3 / 3"));
    p.Click(ctl::Next);
    QCOMPARE(p.view->state().displayedRecord, 2);
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("3 / 3"));
    QCOMPARE(p.browse().browser().Direction(), BrowseDirection::None);

    p.Click(ctl::Back);
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("2 / 3"));
    QCOMPARE(p.browse().browser().Direction(), BrowseDirection::Back);
    // Record 1 was reprocessed onto the grid (342 nm is channel 1) and the
    // info line shows its temperature.
    QCOMPARE(p.view->workspace().displaySpectrum[0][2], Level(0, 1, 1));
    QVERIFY(p.view->infoText().endsWith(QStringLiteral("Temp=21.0")));
    // Without a selected head the info line is emptied.
    p.view->state().selectedHead = -1;
    p.Click(ctl::Back);
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("1 / 3"));
    QCOMPARE(p.view->infoText(), QString());
    p.Click(ctl::Back);
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("1 / 3"));
}

void BrowseTest::continuousPlayRunsToTheLastRecordAndStopsWhenBlocked() {
    Panel p({100});
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("1 / 100"));
    p.Click(ctl::Continuous);
    QCOMPARE(p.view->options().continuousMode, 1);
    QCOMPARE(p.view->messageLine1(), QString::fromUtf8("BACK/NEXT操作を連続して行います。"));

    p.Click(ctl::Next);
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("2 / 100"));
    int fired = 0;
    while (p.browse().RepeatTimerActive() && fired < 200) {
        p.browse().FireRepeatTimer();
        ++fired;
    }
    // 98 steps after the click, and one more tick at the end that stops.
    QCOMPARE(fired, 99);
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("100 / 100"));
    QCOMPARE(p.view->state().displayedRecord, 99);
    QCOMPARE(p.view->workspace().displaySpectrum[0][2], Level(0, 99, 1));

    // A pending repeat that fires once a measurement has started moves nothing.
    p.Click(ctl::Back);
    QVERIFY(p.browse().RepeatTimerActive());
    p.view->state().measuring = true;
    p.browse().FireRepeatTimer();
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("99 / 100"));
    QVERIFY(!p.browse().RepeatTimerActive());
    p.view->state().measuring = false;

    // Clearing the option: the pending step is the last one.
    p.Click(ctl::Back);
    p.Click(ctl::Continuous);
    QCOMPARE(p.view->messageLine1(), QString::fromUtf8("BACK/NEXT操作を解除します。"));
    QCOMPARE(p.view->options().continuousMode, 0);
    p.browse().FireRepeatTimer();
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("97 / 100"));
    QVERIFY(!p.browse().RepeatTimerActive());
}

void BrowseTest::comparisonLoadAndCancel() {
    Panel p;
    const std::string path = p.SaveFile("one.vqdata", {1});
    QCOMPARE(p.RedPixels(), 0);
    p.Compare(path);
    QCOMPARE(p.dialogs.filter, std::string("varnello data file (*.vqdata)"));
    QCOMPARE(p.Text(ctl::CompareName), QStringLiteral("one.vqdata"));
    QCOMPARE(p.Text(ctl::CompareHeadPosition), QStringLiteral("1 / 1"));
    QCOMPARE(p.Text(ctl::CompareRecordPosition), QStringLiteral("1 / 1"));
    for (int id : {1044, 1045, 1046, 1049, 1050, 1051})
        QVERIFY2(!p.Shown(id), qPrintable(QString::number(id)));
    QVERIFY(p.view->FullRepaintPending());
    // Grid 341 nm lies half-way between channels 0 and 1.
    QCOMPARE(p.view->compareSpectrum()[0][1], Level(0, 0, 0) + 0.5f);
    QVERIFY(p.RedPixels() > 400);

    p.Compare(std::nullopt);
    QVERIFY(!p.view->compareStore());
    QCOMPARE(p.Text(ctl::CompareName), QString());
    QVERIFY(p.view->FullRepaintPending());
    QCOMPARE(p.RedPixels(), 0);
    QCOMPARE(p.view->Control(ctl::Csv)->geometry().top(), 576);

    // A path in the other convention: the name is what follows the backslash
    // (on this system the backslash is part of the file's own name).
    p.Compare(p.SaveFile("runs\\b.vqdata", {1}));
    QCOMPARE(p.Text(ctl::CompareName), QStringLiteral("b.vqdata"));
}

void BrowseTest::comparisonRowsTouchOnlyTheComparison() {
    Panel p({3});
    p.Click(ctl::Next);
    const auto measured = p.view->workspace().displaySpectrum;
    const QString info = p.view->infoText();
    p.Compare(p.SaveFile("two.vqdata", {3, 1}));
    QVERIFY(p.Shown(ctl::CompareHeadBack) && p.Shown(ctl::CompareRecordNext));
    QCOMPARE(p.view->Control(ctl::CompareRecordBack)->geometry(), QRect(615, 601, 40, 20));
    QCOMPARE(p.view->Control(ctl::Csv)->geometry().top(), 626);
    // Head 1 was never visited, yet its curve is already the file's record 0.
    QCOMPARE(p.view->compareSpectrum()[1][2], Level(1, 0, 1));

    // The rows stay usable while measuring; BACK/NEXT and "比較" do not.
    p.view->state().measuring = true;
    p.view->RefreshControls();
    QVERIFY(!p.view->Control(ctl::Next)->isEnabled());
    QVERIFY(!p.view->Control(ctl::Compare)->isEnabled());
    QVERIFY(p.view->Control(ctl::CompareRecordNext)->isEnabled());
    p.Click(ctl::CompareRecordNext);
    p.Click(ctl::CompareRecordNext);
    p.Click(ctl::CompareRecordNext);
    QCOMPARE(p.Text(ctl::CompareRecordPosition), QStringLiteral("3 / 3"));
    QCOMPARE(p.view->compareSpectrum()[0][2], Level(0, 2, 1));
    p.view->state().measuring = false;
    p.view->RefreshControls();
    QCOMPARE(p.view->workspace().displaySpectrum, measured);
    QCOMPARE(p.Text(ctl::Position), QStringLiteral("2 / 3"));
    QCOMPARE(p.view->infoText(), info);

    // Head 1 has a single record: the record comes back to it.
    p.Click(ctl::CompareHeadNext);
    QCOMPARE(p.Text(ctl::CompareHeadPosition), QStringLiteral("2 / 2"));
    QCOMPARE(p.Text(ctl::CompareRecordPosition), QStringLiteral("1 / 1"));
    QCOMPARE(p.view->state().compareRecord, 0);
    p.Click(ctl::CompareHeadNext);
    p.Click(ctl::CompareRecordNext);
    QCOMPARE(p.view->state().compareHead, 1);
    QCOMPARE(p.view->state().compareRecord, 0);
    p.Click(ctl::CompareHeadBack);
    QCOMPARE(p.Text(ctl::CompareRecordPosition), QStringLiteral("1 / 3"));

    // A later file with one head leaves no curve of the earlier head 1.
    p.Compare(p.SaveFile("one.vqdata", {2}));
    QCOMPARE(p.view->compareSpectrum()[1], (std::array<float, GRID_POINTS>{}));
    QVERIFY(!p.Shown(ctl::CompareHeadBack));
    QVERIFY(p.Shown(ctl::CompareRecordBack));
    QCOMPARE(p.RedPixels(1), 0);
}

void BrowseTest::failedComparisonLoadKeepsThePreviousOne() {
    Panel p;
    const std::string good = p.SaveFile("good.vqdata", {2, 2});
    const std::string cut = p.SaveFile("cut.vqdata", {2, 2});
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    p.Compare(good);
    p.Click(ctl::CompareHeadNext);
    p.Click(ctl::CompareRecordNext);
    p.view->FullRepaint();
    const Cvarnello_mfDoc* before = p.view->compareStore().get();
    const auto curves = p.view->compareSpectrum();

    for (const std::string& bad : {cut, good + ".missing"}) {
        p.Compare(bad);
        QCOMPARE(p.view->compareStore().get(), before);
        QCOMPARE(p.view->compareSpectrum(), curves);
        QCOMPARE(p.view->state().compareHead, 1);
        QCOMPARE(p.view->state().compareRecord, 1);
        QCOMPARE(p.Text(ctl::CompareName), QStringLiteral("good.vqdata"));
        QCOMPARE(p.Text(ctl::CompareRecordPosition), QStringLiteral("2 / 2"));
        QVERIFY(p.Shown(ctl::CompareHeadBack));
        QVERIFY(!p.view->FullRepaintPending());
    }
    QCOMPARE(p.dialogs.notices.size(), std::size_t(2));
    QCOMPARE(p.dialogs.notices[0], cut + " の末尾以降にアクセスしようとしました。");
    QVERIFY(p.dialogs.notices[1].starts_with(good + ".missing を開けませんでした。("));
}

void BrowseTest::screenshotWithComparison() {
    Panel p({3});
    p.Click(ctl::Next);
    p.Compare(p.SaveFile("look.vqdata", {3, 2}));
    p.view->FullRepaint();
    p.view->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.view.get()));
    const QString out = qEnvironmentVariable("VMF_BROWSE_SCREENSHOT");
    if (!out.isEmpty()) QVERIFY(p.view->grab().save(out));
    QVERIFY(p.RedPixels(0) > 400 && p.RedPixels(1) > 400);
}

}  // namespace
}  // namespace vmf

QTEST_MAIN(vmf::BrowseTest)
#include "test_browse.moc"
