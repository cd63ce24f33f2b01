// The built executable: a second start ends at once and silently while
// another instance holds the lock, and a normal start reaches a shown window.

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/SingleInstanceLock.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

class InstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString lockName_ =
        QStringLiteral("vmf-instance-test-%1").arg(QCoreApplication::applicationPid());

    void Prepare(QProcess& p) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VMF_INSTANCE_LOCK"), lockName_);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
        p.setProcessEnvironment(env);
        p.setProgram(QStringLiteral(VMF_APP_EXE));
        // Its own settings file on every platform, not the operator's store.
        p.setArguments({QStringLiteral("--settings"), dir_.filePath(QStringLiteral("vmf.ini"))});
    }

    // True once a process other than this one holds the lock.
    bool HeldByAnother() const {
        SingleInstanceLock probe(lockName_.toStdString());
        return probe.TryAcquire() == SingleInstanceLock::Result::HeldElsewhere;
    }

private slots:
    void secondStartEndsSilentlyWhileTheFirstRuns() {
        QProcess first;
        Prepare(first);
        // The probe holds the lock for an instant; a first instance starting in
        // that instant would take itself for the second, so start it again.
        bool running = false;
        for (int attempt = 0; attempt < 3 && !running; ++attempt) {
            first.start();
            QVERIFY(first.waitForStarted());
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 10000 && first.state() == QProcess::Running && !HeldByAnother())
                QTest::qWait(20);
            running = first.state() == QProcess::Running;
            if (!running) first.waitForFinished();
        }
        QVERIFY(running);

        QProcess second;
        Prepare(second);
        second.start();
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        // It ended before touching the window system, so it said nothing.
        QCOMPARE(second.readAllStandardError(), QByteArray());
        QCOMPARE(second.readAllStandardOutput(), QByteArray());
        QCOMPARE(first.state(), QProcess::Running);

        first.kill();
        QVERIFY(first.waitForFinished());
        // The killed instance left nothing behind that stops the next start.
        QTRY_VERIFY(!HeldByAnother());
    }

    // A double-clicked file while the program runs: the second start hands
    // it over and ends; the running instance opens it.
    void secondStartHandsItsFileToTheRunningInstance() {
        const QString file = dir_.filePath(QStringLiteral("handed over.vqdata"));
        Cvarnello_mfDoc source;
        std::string error;
        QVERIFY2(source.SaveToFile(file.toStdString(), error), error.c_str());

        QProcess first;
        Prepare(first);
        QProcessEnvironment env = first.processEnvironment();
        env.insert(QStringLiteral("VMF_TEST_SCRIPT"), QStringLiteral("opened %1; quit").arg(file));
        first.setProcessEnvironment(env);
        first.start();
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(HeldByAnother() || first.state() != QProcess::Running, 10000);
        QCOMPARE(first.state(), QProcess::Running);

        QProcess second;
        Prepare(second);
        QDir::setCurrent(dir_.path());  // a relative name, as a shell passes it
        second.setArguments(second.arguments() << QStringLiteral("handed over.vqdata"));
        second.start();
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardError(), QByteArray());

        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(first.readAllStandardError().contains("vmf-test: step 2 done"));
    }

    void startReachesAShownWindowAndEnds() {
        QProcess p;
        Prepare(p);
        p.setArguments(p.arguments() << QStringLiteral("--quit-after-show"));
        QElapsedTimer t;
        t.start();
        p.start();
        QVERIFY(p.waitForFinished(20000));
        qInfo("start-up to a shown window and back: %lld ms", static_cast<long long>(t.elapsed()));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    // The test script drives a real measurement through the panel's own
    // buttons and saves it; a step that cannot be done ends the run with 3.
    void scriptMeasuresSavesAndFailsLoudly() {
        const QString file = dir_.filePath(QStringLiteral("run.vqdata"));
        QProcess p;
        Prepare(p);
        QProcessEnvironment env = p.processEnvironment();
        env.insert(QStringLiteral("VMF_TEST_SCRIPT"),
                   QStringLiteral("click ctrl1002; check ctrl1014 1; check ctrl1016 1; "
                                  "text ctrl1017 300; click ctrl1001; records 2; click ctrl1001; "
                                  "idle; saveas %1; quit")
                       .arg(file));
        p.setProcessEnvironment(env);
        p.setArguments({QStringLiteral("--bench"), QStringLiteral("0:head:SN000001;timescale=0")});
        p.start();
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardError().contains("vmf-test: step 10 done"));
        QVERIFY(QFileInfo(file).size() > 0);

        env.insert(QStringLiteral("VMF_TEST_SCRIPT"), QStringLiteral("click noSuchButton; quit"));
        p.setProcessEnvironment(env);
        p.start();
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 3);
        // Qt's own platform notes may come first.
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(('\n' + err).endsWith("\nvmf-test: step 1 failed: no control noSuchButton\n"),
                 err.constData());
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::InstanceTest)
#include "InstanceTest.moc"
