// The mirror control dialog on the offscreen platform, opened for a panel
// that detected a mirror unit on the simulated bench: captions and ids, the
// step buttons, "set" and the two closing buttons.

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "device/SimulatedDeviceLibrary.h"
#include "fakes/ScriptedDialogs.h"
#include "maintenance/CSetMirrorDlg.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelCommands.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

constexpr DeviceNumber kMirror{6};

struct Bench {
    Cvarnello_mfDoc doc;
    std::unique_ptr<SimulatedDeviceLibrary> lib;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<Cvarnello_mfView> view;

    Bench() {
        std::string error;
        lib = SimulatedDeviceLibrary::FromText("2:head:AAA;4:mirror;6:mirror;timescale=0", error);
        if (!lib) qFatal("bench: %s", error.c_str());
        ViewContext ctx;
        ctx.doc = &doc;
        ctx.devices = lib.get();
        ctx.dialogs = &dialogs;
        view = std::make_unique<Cvarnello_mfView>(ctx);
        view->resize(810, 640);
        view->OnInitialUpdate();
        qobject_cast<QPushButton*>(view->Control(ctl::Detect))->click();
    }
    uint16_t Sent(DeviceNumber dev = kMirror) const { return lib->MirrorPosition(dev).value(); }
};

struct Dialog {
    CSetMirrorDlg dlg;
    explicit Dialog(Bench& b) : dlg(*b.view, b.view.get()) {}
    void Click(int id) { qobject_cast<QPushButton*>(dlg.Control(id))->click(); }
    QString Edit() const { return qobject_cast<QLineEdit*>(dlg.Control(1059))->text(); }
    void Type(const char* text) {
        qobject_cast<QLineEdit*>(dlg.Control(1059))->setText(QString::fromUtf8(text));
    }
};

class MirrorDialogTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithTitleControlsAndPositionZeroAndOnlyCloses();
    void stepButtonsWrapAndSendTheUnsignedBits();
    void setSendsTheTypedLowBitsAndLeavesTheStepAlone();
    void theDeviceListOpensItForTheLastMirror();
};

void MirrorDialogTest::opensWithTitleControlsAndPositionZeroAndOnlyCloses() {
    Bench b;
    Dialog d(b);
    QCOMPARE(d.dlg.windowTitle(), QStringLiteral("ミラー制御"));
    const std::pair<int, const char*> buttons[] = {
        {1060, "+1000"}, {1061, "-1000"}, {1058, "set"}, {1, "OK"}, {2, "キャンセル"}};
    for (auto [id, caption] : buttons) {
        auto* b = qobject_cast<QPushButton*>(d.dlg.Control(id));
        QVERIFY2(b, caption);
        QCOMPARE(b->text(), QString::fromUtf8(caption));
    }
    QVERIFY(qobject_cast<QLineEdit*>(d.dlg.Control(1059)));
    QCOMPARE(d.Edit(), QStringLiteral("0"));
    QCOMPARE(d.dlg.mirrorPosition(), 0);
    // Opening sends nothing.
    QCOMPARE(b.Sent(), 0);

    d.dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d.dlg));
    const QString out = qEnvironmentVariable("VMF_MIRROR_SCREENSHOT");
    if (!out.isEmpty()) QVERIFY(d.dlg.grab().save(out));

    // OK and Cancel only close: every position went out with its button.
    for (int id : {1, 2}) {
        Dialog again(b);
        again.dlg.show();
        again.Click(1061);
        again.Type("123");
        again.Click(id);
        QVERIFY(!again.dlg.isVisible());
        QCOMPARE(again.dlg.result(), id == 1 ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(b.Sent(), 64536);
    }
}

void MirrorDialogTest::stepButtonsWrapAndSendTheUnsignedBits() {
    Bench b;
    {
        Dialog d(b);
        d.Click(1061);
        QCOMPARE(d.Edit(), QStringLiteral("-1000"));
        QCOMPARE(b.Sent(), 64536);
    }
    Dialog d(b);  // a new opening steps from 0 again
    for (int i = 0; i < 33; ++i) d.Click(1060);
    QCOMPARE(d.Edit(), QStringLiteral("-32536"));
    QCOMPARE(d.dlg.mirrorPosition(), -32536);
    QCOMPARE(b.Sent(), 33000);
    // Only the last mirror found is moved.
    QCOMPARE(b.Sent(DeviceNumber{4}), 0);
}

void MirrorDialogTest::setSendsTheTypedLowBitsAndLeavesTheStepAlone() {
    Bench b;
    Dialog d(b);
    d.Type("70000");
    d.Click(1058);
    QCOMPARE(b.Sent(), 4464);
    QCOMPARE(d.Edit(), QStringLiteral("70000"));

    d.Type("5000");
    d.Click(1058);
    QCOMPARE(b.Sent(), 5000);
    d.Click(1060);
    QCOMPARE(b.Sent(), 1000);
    QCOMPARE(d.Edit(), QStringLiteral("1000"));

    d.Type("abc");
    d.Click(1058);
    QCOMPARE(b.Sent(), 0);
    d.Type("  -1");
    d.Click(1058);
    QCOMPARE(b.Sent(), 65535);
    QCOMPARE(d.dlg.mirrorPosition(), 1000);
}

void MirrorDialogTest::theDeviceListOpensItForTheLastMirror() {
    Bench b;
    auto* list = qobject_cast<QListWidget*>(b.view->Control(ctl::DeviceList));
    QCOMPARE(list->count(), 2);
    list->setCurrentRow(0);
    int runs = 0;
    b.view->commands().SetMirrorDialogRunner([&](CSetMirrorDlg& dlg) {
        ++runs;
        QCOMPARE(dlg.parentWidget(), b.view.get());
        qobject_cast<QPushButton*>(dlg.Control(1060))->click();
    });
    b.view->commands().OnDeviceListDoubleClick();
    QCOMPARE(runs, 1);
    QCOMPARE(b.Sent(), 1000);
    QCOMPARE(b.Sent(DeviceNumber{4}), 0);
}

}  // namespace
}  // namespace vmf

QTEST_MAIN(vmf::MirrorDialogTest)
#include "test_mirror_dialog.moc"
