// The live view in the program: the settings it keeps, the panel's
// hand-overs reaching the page's stream, and a taken port told once while
// the measurement goes on.

#include <QtTest>
#include <nlohmann/json.hpp>

#include "LiveClient.h"
#include "fakes/PanelFixture.h"
#include "live/LiveViewAction.h"

namespace vmf {

class LiveGuiTest : public QObject {
    Q_OBJECT
private slots:
    void servesThePanelsHandOversAndKeepsItsSettings();
};

void LiveGuiTest::servesThePanelsHandOversAndKeepsItsSettings() {
    test::PanelSetup setup;
    setup.detect = true;
    test::PanelFixture p("0:head:SN000001;1:head:SN000002;timescale=0", setup);
    QStringList told;
    LiveView live(
        *p.view, p.settings, p.dialogs, [&](const QString& t) { told << t; }, nullptr);
    QVERIFY(!live.service().Running());  // off until the operator switches it on

    LiveViewSettings s;
    s.on = 1;
    s.port = 0;
    QVERIFY(live.Apply(s));
    // A token is made for the operator and kept with the rest.
    QCOMPARE(p.settings.strings["live/token"].size(), size_t(32));
    QCOMPARE(p.settings.ints["live/on"], 1);
    QCOMPARE(p.settings.ints["live/port"], 0);
    const int port = live.service().Port();
    auto status = [&] {
        return nlohmann::json::parse(test::BodyOf(test::HttpGet(port, "/api/v1/status")));
    };
    // Switching on shows the panel at once.
    QVERIFY(QTest::qWaitFor([&] { return status()["seq"] == 1; }, 5000));
    QCOMPARE(status()["heads"][1]["serialNo"], "SN000002");

    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return status()["seq"] >= 5; }, 10000));
    QCOMPARE(status()["measuring"], "measuring");
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return status()["measuring"] == "stopped"; }, 5000));

    // A second view on the same port cannot serve: told once, nothing else.
    test::PanelFixture q("0:head:SN000001;timescale=0", setup);
    LiveView other(
        *q.view, q.settings, q.dialogs, [&](const QString& t) { told << t; }, nullptr);
    s.port = port;
    s.token = "second-token-1234";
    QVERIFY(!other.Apply(s));
    QCOMPARE(told.size(), 1);
    QCOMPARE(told[0], QStringLiteral("ライブビューを開始できません: ポート %1 はほかのプログラムが"
                                     "使用中です。 測定には影響しません。")
                          .arg(port));
    q.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return q.doc.recordCount[0] == 0 && q.view->state().measuring; },
                            2000));
    q.Click(ctl::Start);

    s.on = 0;
    QVERIFY(!live.Apply(s));
    QVERIFY(!live.service().Running());
    QCOMPARE(p.settings.ints["live/on"], 0);
}

}  // namespace vmf

QTEST_MAIN(vmf::LiveGuiTest)
#include "test_live_gui.moc"
