// The built program under a real window manager (openbox on its own Xvfb
// display): the window placement kept in the settings survives starts and
// exits to the pixel, the frame is where the settings say, and a placement
// whose title bar no screen shows is brought onto the screen. Where Xvfb or
// openbox are missing the test says so and skips.

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace vmf {

class PlacementWmTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString display_;
    QProcess server_, wm_;

    static QString Tool(const char* name) {
        return QStandardPaths::findExecutable(QString::fromLatin1(name));
    }

    // Every helper ends by itself even should this test be killed.
    static QStringList Bounded(int seconds, const QString& program, const QStringList& args) {
        return QStringList{QString::number(seconds), program} + args;
    }

    QProcessEnvironment Env() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display_);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("VMF_INSTANCE_LOCK"),
                   QStringLiteral("vmf-placement-%1").arg(QCoreApplication::applicationPid()));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
        return env;
    }

    QString Run(const QString& program, const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(Env());
        p.start(program, args);
        if (!p.waitForFinished(10000)) p.kill();
        p.waitForFinished();
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }

    // The frame of the program's window as the X server has it, or an empty
    // rectangle while there is none.
    QRect FrameOnScreen() const {
        const QString id = Run(Tool("xdotool"), {QStringLiteral("search"),
                                                 QStringLiteral("--onlyvisible"),
                                                 QStringLiteral("--name"),
                                                 QStringLiteral("^varnello_mf - ")})
                               .section(QLatin1Char('\n'), 0, 0)
                               .trimmed();
        if (id.isEmpty()) return {};
        const QString info = Run(Tool("xwininfo"), {QStringLiteral("-id"), id});
        const QString extents =
            Run(Tool("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")});
        auto number = [&info](const char* label) {
            const auto m = QRegularExpression(QString::fromLatin1(label) + QStringLiteral(":\\s*(-?\\d+)"))
                               .match(info);
            return m.hasMatch() ? m.captured(1).toInt() : 0;
        };
        const auto e = QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"))
                           .match(extents);
        if (!e.hasMatch()) return {};
        const int l = e.captured(1).toInt(), r = e.captured(2).toInt();
        const int t = e.captured(3).toInt(), b = e.captured(4).toInt();
        return QRect(number("Absolute upper-left X") - l, number("Absolute upper-left Y") - t,
                     number("Width") + l + r, number("Height") + t + b);
    }

    // One start and exit of the program; with `expected`, the frame seen on
    // screen while it ran (once it is there, or the last one seen).
    QRect StartAndExit(const QString& ini, const QRect& expected = {}) {
        QProcess app;
        QProcessEnvironment env = Env();
        env.insert(QStringLiteral("VMF_TEST_SCRIPT"), QStringLiteral("wait 2500;quit"));
        app.setProcessEnvironment(env);
        app.start(QStringLiteral("timeout"),
                  Bounded(60, QStringLiteral(VMF_APP_EXE), {QStringLiteral("--settings"), ini}));
        app.waitForStarted();
        QRect seen;
        if (!expected.isNull()) {
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 15000 && app.state() == QProcess::Running && seen != expected) {
                QTest::qWait(100);
                seen = FrameOnScreen();
            }
        }
        if (!app.waitForFinished(60000)) app.kill();
        if (app.exitCode() != 0) qWarning() << app.readAllStandardError();
        return seen;
    }

    static QRect Stored(const QString& ini) {
        QSettings s(ini, QSettings::IniFormat);
        const int left = s.value("Settings/left").toInt(), top = s.value("Settings/top").toInt();
        return QRect(QPoint(left, top), QPoint(s.value("Settings/right").toInt() - 1,
                                               s.value("Settings/bottom").toInt() - 1));
    }

private slots:
    void initTestCase() {
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "timeout"})
            if (Tool(tool).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed: the placement under a "
                                                "window manager is not checked here (scripts/deps.sh)")
                                     .arg(QString::fromLatin1(tool))));
        // A display number nobody uses, above the developers' own.
        int n = 90;
        while (n < 140 && (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
                           QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))))
            ++n;
        display_ = QStringLiteral(":%1").arg(n);
        server_.start(QStringLiteral("timeout"),
                      Bounded(300, Tool("Xvfb"),
                              {display_, QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                               QStringLiteral("tcp")}));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000 &&
               !QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
            QTest::qWait(50);
        if (server_.state() != QProcess::Running)
            QSKIP("no X server could be started: the placement under a window manager is not "
                  "checked here");
        wm_.setProcessEnvironment(Env());
        wm_.start(QStringLiteral("timeout"), Bounded(290, Tool("openbox"), {}));
        t.restart();
        while (t.elapsed() < 10000 &&
               !Run(Tool("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                    .contains(QStringLiteral("window id")))
            QTest::qWait(50);
        if (wm_.state() != QProcess::Running)
            QSKIP("openbox did not start: the placement under a window manager is not checked here");
    }

    void cleanupTestCase() {
        for (QProcess* p : {&wm_, &server_}) {
            if (p->state() == QProcess::NotRunning) continue;
            p->terminate();
            if (!p->waitForFinished(5000)) p->kill();
            p->waitForFinished();
        }
    }

    void placementSurvivesFiveStartsToThePixel() {
        const QString ini = dir_.filePath(QStringLiteral("first.ini"));
        // First start: the frame at the corner, 740 x 640 as a whole.
        QCOMPARE(StartAndExit(ini, QRect(0, 0, 740, 640)), QRect(0, 0, 740, 640));
        QCOMPARE(Stored(ini), QRect(0, 0, 740, 640));
        // Somewhere else, by the settings, then four more starts.
        {
            QSettings s(ini, QSettings::IniFormat);
            s.setValue("Settings/left", 100);
            s.setValue("Settings/top", 50);
            s.setValue("Settings/right", 800);
            s.setValue("Settings/bottom", 600);
        }
        const QRect placed(100, 50, 700, 550);
        QCOMPARE(StartAndExit(ini, placed), placed);
        for (int run = 0; run < 3; ++run) {
            StartAndExit(ini);
            QCOMPARE(Stored(ini), placed);
        }
    }

    void aTitleBarNoScreenShowsIsBroughtOntoTheScreen() {
        const QString ini = dir_.filePath(QStringLiteral("away.ini"));
        {
            QSettings s(ini, QSettings::IniFormat);
            s.setValue("Settings/left", 3000);
            s.setValue("Settings/top", -500);
            s.setValue("Settings/right", 3740);
            s.setValue("Settings/bottom", 140);
        }
        // The nearest place on the 1024 x 768 screen, at the same size.
        const QRect onScreen(284, 0, 740, 640);
        QCOMPARE(StartAndExit(ini, onScreen), onScreen);
        QCOMPARE(Stored(ini), onScreen);
        // A title bar half off the top can still be grabbed: left as it is.
        {
            QSettings s(ini, QSettings::IniFormat);
            s.setValue("Settings/top", -10);
            s.setValue("Settings/bottom", 630);
        }
        StartAndExit(ini);
        QCOMPARE(Stored(ini), QRect(284, -10, 740, 640));
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::PlacementWmTest)
#include "PlacementWmTest.moc"
