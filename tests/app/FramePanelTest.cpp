// The frame wired to the panel as the application wires it: the maintenance
// mode's menu check mark and the panel's layout follow each other at once.

#include <QAction>
#include <QPushButton>
#include <QTest>

#include "app/CMainFrame.h"
#include "fakes/PanelFixture.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelCommands.h"
#include "panel/PanelControls.h"

namespace vmf {
namespace {

class FramePanelTest : public QObject {
    Q_OBJECT
private slots:
    void maintenanceModeLaysOutAtOnceWithTheMenuCheckMark();
};

void FramePanelTest::maintenanceModeLaysOutAtOnceWithTheMenuCheckMark() {
    // The frame wired to the panel as the application wires it.
    // Two heads, an LED driver and a mirror unit, not yet detected.
    test::PanelFixture p("3:head:AAA;5:head:BBB;7:led8;8:mirror;scene=halogen;timescale=0",
                         {.detect = false});
    p.settings.ints["hard/adjust"] = 1;
    CMainFrame frame(p.doc, p.dialogs, p.settings);
    ViewContext ctx = p.view->context();
    auto* view = new Cvarnello_mfView(ctx);
    FramePanel panel;
    panel.widget = view;
    panel.initialUpdate = [view] { view->OnInitialUpdate(); };
    panel.maintenanceMode = [view] { return &view->options().maintenanceMode; };
    panel.toggleMaintenanceMode = [view] { view->commands().OnToggleMaintenanceMode(); };
    frame.SetPanel(panel);
    frame.InitialUpdate();
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    // Left on at the last run: button and check mark from the start.
    QAction* hard = frame.Action(FrameCommand::HardAdjust);
    QVERIFY(hard->isChecked());
    QVERIFY(view->Control(ctl::Maintenance)->isVisible());

    // Off and on again, without any resize in between.
    hard->trigger();
    QCOMPARE(view->options().maintenanceMode, 0);
    QVERIFY(!hard->isChecked());
    QVERIFY(!view->Control(ctl::Maintenance)->isVisible());
    const QRect csvOff = view->Control(ctl::Csv)->geometry();
    hard->trigger();
    QCOMPARE(view->options().maintenanceMode, 1);
    QVERIFY(hard->isChecked());
    QVERIFY(view->Control(ctl::Maintenance)->isVisible());
    QCOMPARE(view->Control(ctl::Maintenance)->geometry(), QRect(615, 541, 160, 28));
    QCOMPARE(view->Control(ctl::Csv)->geometry(), csvOff.translated(0, 35));
    const QString out = qEnvironmentVariable("VMF_COMMANDS_SCREENSHOT");
    if (!out.isEmpty()) QVERIFY(view->grab().save(out));
}

}  // namespace
}  // namespace vmf

QTEST_MAIN(vmf::FramePanelTest)
#include "FramePanelTest.moc"
