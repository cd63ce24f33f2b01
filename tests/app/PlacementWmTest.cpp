// The built program under a real window manager (openbox on an Xvfb display
// of its own): the placement kept in the settings survives starts and exits
// to the pixel, and one whose title bar no screen shows comes back onto the
// screen. Every helper process ends by itself (timeout) should the test die.

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace vmf {

class PlacementWmTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString display_;
    QProcess server_, wm_;

    QProcessEnvironment Env() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("VMF_INSTANCE_LOCK"),
                   QStringLiteral("vmf-placement-%1").arg(QCoreApplication::applicationPid()));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("VMF_TEST_SCRIPT"), QStringLiteral("wait 2500;quit"));
        return env;
    }
    static void Launch(QProcess& p, const QProcessEnvironment& env, int seconds,
                       const QStringList& command) {
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("timeout"), QStringList{QString::number(seconds)} + command);
    }
    bool WmRunning() const {
        QProcess p;
        Launch(p, Env(), 5,
               {QStringLiteral("xprop"), QStringLiteral("-root"),
                QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        p.waitForFinished();
        return p.readAllStandardOutput().contains("window id");
    }

    // Starts the program, lets it settle under the window manager, ends it
    // as the operator would; returns the placement it saved.
    QRect StartAndExit(const QString& ini, std::optional<QRect> placed = {}) {
        if (placed) {
            QSettings s(ini, QSettings::IniFormat);
            s.setValue("Settings/left", placed->left());
            s.setValue("Settings/top", placed->top());
            s.setValue("Settings/right", placed->left() + placed->width());
            s.setValue("Settings/bottom", placed->top() + placed->height());
        }
        QProcess app;
        Launch(app, Env(), 60, {QStringLiteral(VMF_APP_EXE), QStringLiteral("--settings"), ini});
        if (!app.waitForFinished(60000)) app.kill();
        QSettings s(ini, QSettings::IniFormat);
        const int left = s.value("Settings/left").toInt(), top = s.value("Settings/top").toInt();
        return QRect(left, top, s.value("Settings/right").toInt() - left,
                     s.value("Settings/bottom").toInt() - top);
    }

private slots:
    void initTestCase() {
        for (const char* tool : {"Xvfb", "openbox", "xprop", "timeout"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(
                    QStringLiteral("%1 is not installed (scripts/deps.sh): the placement "
                                   "under a window manager is not checked here")
                        .arg(QString::fromLatin1(tool))));
        int n = 90;  // a display nobody uses, above the developers' own
        while (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
               QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            ++n;
        display_ = QStringLiteral(":%1").arg(n);
        Launch(server_, Env(), 300,
               {QStringLiteral("Xvfb"), display_, QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!QTest::qWaitFor(
                [&] { return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)); },
                10000))
            QSKIP(
                "no X server could be started: the placement under a window manager is not checked "
                "here");
        Launch(wm_, Env(), 290, {QStringLiteral("openbox")});
        if (!QTest::qWaitFor([&] { return WmRunning(); }, 10000))
            QSKIP(
                "openbox did not start: the placement under a window manager is not checked here");
    }

    void cleanupTestCase() {
        for (QProcess* p : {&wm_, &server_}) {
            p->terminate();
            if (!p->waitForFinished(5000)) p->kill();
        }
    }

    void placementSurvivesFiveStartsToThePixel() {
        const QString ini = dir_.filePath(QStringLiteral("placement.ini"));
        QCOMPARE(StartAndExit(ini), QRect(0, 0, 740, 640));  // the first start's
        QCOMPARE(StartAndExit(ini, QRect(100, 50, 700, 550)), QRect(100, 50, 700, 550));
        for (int run = 0; run < 3; ++run) QCOMPARE(StartAndExit(ini), QRect(100, 50, 700, 550));
        // Above and beside the 1024 x 768 screen: onto its nearest place, at its size.
        QCOMPARE(StartAndExit(ini, QRect(3000, -500, 740, 640)), QRect(284, 0, 740, 640));
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::PlacementWmTest)
#include "PlacementWmTest.moc"
