// The colour window on the offscreen panel: it follows BACK/NEXT and the
// measuring method, refuses a record that is not there, and copies its rows.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "fakes/PanelFixture.h"
#include "panel/CColourValuesDlg.h"
#include "spectrum/Illuminants.h"

namespace vmf {
namespace {

// One head whose records are blackbodies at 2700 K and 4000 K.
void Blackbodies(Cvarnello_mfDoc& d) {
    d.headCount = 1;
    d.headKind[0] = "C12880MA";
    d.channelCount[0] = MAX_CHANNELS;
    d.exposureUs[0] = 1000;
    const double kelvin[] = {2700.0, 4000.0};
    for (int c = 0; c < MAX_CHANNELS; ++c) d.wavelengthNm[0][c] = 330.0f + 2.0f * c;
    for (int r = 0; r < 2; ++r) {
        QVERIFY(d.EnsureRecordArrays(0, r));
        d.recExposureUs(0, r) = 1000;
        for (int c = 0; c < MAX_CHANNELS; ++c)
            d.recRaw(0, r)[c] = d.recProcessed(0, r)[c] =
                static_cast<float>(1e-11 * PlanckRelative(d.wavelengthNm[0][c], kelvin[r]));
    }
    d.recordCount[0] = 2;
}

QString Value(const CColourValuesDlg& w, const char* label) {
    for (int i = 0; i < w.table()->rowCount(); ++i)
        if (w.table()->item(i, 0)->text() == QString::fromUtf8(label))
            return w.table()->item(i, 1)->text();
    return QStringLiteral("<no row>");
}

}  // namespace

class ColourWindowTest : public QObject {
    Q_OBJECT
private slots:
    void followsThePanel() {
        test::PanelFixture f(nullptr, {.prepare = Blackbodies});
        CColourValuesDlg w(PanelColourSource(*f.view));
        connect(f.view.get(), &Cvarnello_mfView::displayedChanged, &w,
                &CColourValuesDlg::ScheduleRefresh);
        w.show();
        QCOMPARE(Value(w, "相関色温度 CCT"), QStringLiteral("2700 K"));
        QVERIFY(!w.illuminantBox()->isEnabled());

        f.Click(ctl::Next);
        QTRY_COMPARE(Value(w, "相関色温度 CCT"), QStringLiteral("4000 K"));
        QCOMPARE(Value(w, "ヘッド / 記録"), QStringLiteral("1 / 2"));

        // Reflectance without a white reference: a ratio of 0, refused.
        f.Click(ctl::Reflectance);
        QTRY_COMPARE(Value(w, "CIE 値"), QString::fromUtf8("比率がすべて0以下です（ホワイト設定・"
                                                           "100%透過設定を確認してください）"));
        QVERIFY(w.illuminantBox()->isEnabled());

        w.copyButton()->click();
        QCOMPARE(QApplication::clipboard()->text(),
                 QString::fromUtf8("ファイル\t無題\r\nシリアル番号\t\r\n") +
                     QString::fromUtf8(ColourRowsText(w.rows()).c_str()));
        QVERIFY(QApplication::clipboard()->text().contains(
            QString::fromUtf8("ヘッド / 記録\t1 / 2\r\n計測方法\t反射（D65, 2° 視野）\r\n")));
    }

    void showsTheDifferenceFromTheComparison() {
        test::PanelFixture f(nullptr, {.prepare = Blackbodies});
        CColourValuesDlg w(PanelColourSource(*f.view));
        connect(f.view.get(), &Cvarnello_mfView::displayedChanged, &w,
                &CColourValuesDlg::ScheduleRefresh);
        w.show();
        QCOMPARE(Value(w, "比較との色度差 Δu'v'"), QStringLiteral("<no row>"));
        // The comparison file holds the same blackbody: no difference.
        f.view->compareStore() = std::make_unique<Cvarnello_mfDoc>();
        Blackbodies(*f.view->compareStore());
        f.view->DrawGraph();
        QTRY_COMPARE(Value(w, "比較との色度差 Δu'v'"), QStringLiteral("0.0000"));
        f.view->state().compareHead = 3;  // not in the file
        f.view->DrawGraph();
        QTRY_COMPARE(Value(w, "比較との色度差 Δu'v'"),
                     QString::fromUtf8("比較ファイルの記録: 表示する記録がありません"));
    }

    void refusesAMissingRecord() {
        test::PanelFixture f(nullptr, {.prepare = Blackbodies});
        f.view->state().displayedRecord = 5;
        CColourValuesDlg w(PanelColourSource(*f.view));
        w.Refresh();
        QCOMPARE(Value(w, "色彩値"), QString::fromUtf8("表示する記録がありません"));
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::ColourWindowTest)
#include "test_colour_window.moc"
