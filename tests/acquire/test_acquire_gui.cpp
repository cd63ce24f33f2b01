// The acquisition controller on the real panel (offscreen): the enabling
// table and the reference-button swap, a threaded measurement from the Start
// button, the busy flag's life cycle, the one-shot, the dark measurement and
// a look at the panel while measuring.

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <memory>

#include "acquire/AcquisitionController.h"
#include "acquire/AcquisitionTexts.h"
#include "device/SimulatedDeviceLibrary.h"
#include "fakes/FakeJournalIo.h"
#include "fakes/PanelFixture.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

// A detected panel that raises its busy flag while measuring.
struct Panel : test::PanelFixture {
    explicit Panel(const char* bench = "3:head:AAA;5:head:BBB;7:led8;scene=halogen;timescale=0")
        : test::PanelFixture(bench, {.settings = false, .busy = true, .detect = true}) {}
    void SetEdit(int id, const char* text) { C<QLineEdit>(id)->setText(QString::fromUtf8(text)); }
    AcquisitionController& acq() { return view->acquisition(); }
};

class AcquireGuiTest : public QObject {
    Q_OBJECT
private slots:
    void enablingFollowsDetectionAndMode();
    void releaseSwitchesOffWhatNeedsHeads();
    void startButtonMeasuresOnTheWorkerAndStops();
    void busyFlagCoversEveryCycleAndNothingElse();
    void backToBackKeepsEveryCycleAndShowsTheLast();
    void oneShotKeepsOneRecord();
    void positionFollowsTheRecordsAndStopGuidanceStays();
    void infoLineFollowsTheSensitivityBox();
    void darkMeasurementRunsToTheEnd();
    void autoSaveWritesTheSlotJustFilled();
    void autoSaveFailureIsReportedOncePerStreak();
    void journalFailureBetweenCyclesStopsAtOnceAndOffersTheSave();
    void screenshotWhileMeasuring();
};

void AcquireGuiTest::enablingFollowsDetectionAndMode() {
    Panel p;
    QVERIFY(p.view->state().detected);
    for (int id : {1001, 1002, 1035, 1036, 1043, 1052, 1042, 1008, 1009, 1010, 1053, 1040, 1023})
        QVERIFY2(p.Enabled(id), qPrintable(QString::number(id)));
    QVERIFY(!p.Enabled(ctl::White));
    QVERIFY(!p.Enabled(ctl::Transmission100));
    QVERIFY(p.C<QRadioButton>(ctl::LightSource)->isChecked());

    p.Click(ctl::Reflectance);
    QCOMPARE(p.view->state().method, MeasuringMethod::Reflectance);
    QVERIFY(p.Enabled(ctl::White));
    QVERIFY(!p.Enabled(ctl::Transmission100));
    QCOMPARE(p.view->messageLine1(), QString::fromUtf8(acq::kMsgModeLine1[1]));
    p.Click(ctl::Transmittance);
    QVERIFY(!p.Enabled(ctl::White));
    QVERIFY(p.Enabled(ctl::Transmission100));

    p.C<QAbstractButton>(ctl::Logging)->click();  // on
    QCOMPARE(p.view->options().loggingOn, 1);
    QVERIFY(!p.Enabled(ctl::OneShot));
    p.C<QAbstractButton>(ctl::Interval)->click();
    QCOMPARE(p.view->options().intervalOn, 1);
    QVERIFY(p.Enabled(ctl::IntervalEdit));
}

void AcquireGuiTest::releaseSwitchesOffWhatNeedsHeads() {
    Panel p;
    p.Click(ctl::Reflectance);
    QVERIFY(p.Enabled(ctl::White));
    const float darkBefore = p.doc.darkTable[0][5][100];
    p.Click(ctl::Detect);  // 解除
    QVERIFY(!p.view->state().detected);
    for (int id : {1001, 1023, 1053, 1040, 1020, 1021})
        QVERIFY2(!p.Enabled(id), qPrintable(QString::number(id)));
    QVERIFY(p.Enabled(ctl::Detect));
    // Reached some other way, the commands still refuse without heads.
    p.dialogs.asked.clear();
    p.acq().dark().OnButton();
    QVERIFY(!p.view->state().darkInProgress);
    QVERIFY(p.dialogs.asked.empty());
    QCOMPARE(p.doc.darkTable[0][5][100], darkBefore);
}

void AcquireGuiTest::startButtonMeasuresOnTheWorkerAndStops() {
    Panel p;
    p.C<QAbstractButton>(ctl::Logging)->click();
    p.SetEdit(ctl::AverageEdit, "2");
    p.Click(ctl::Start);
    QVERIFY(p.view->state().measuring);
    QCOMPARE(p.C<QAbstractButton>(ctl::Start)->text(), QStringLiteral("停止"));
    QVERIFY(!p.Enabled(ctl::Detect));
    QVERIFY(!p.Enabled(ctl::Back));
    QVERIFY(p.acq().TimerActive(kTimerCycle));
    QVERIFY(QTest::qWaitFor([&] { return p.doc.recordCount[0] >= 5; }, 10000));
    p.Click(ctl::Start);
    QVERIFY(!p.view->state().measuring);
    QCOMPARE(p.C<QAbstractButton>(ctl::Start)->text(), QStringLiteral("開始"));
    QVERIFY(QTest::qWaitFor(
        [&] { return p.Enabled(ctl::Start) && !p.acq().cycle().WorkerActive(); }, 5000));
    QVERIFY(p.Enabled(ctl::Detect));
    QCOMPARE(p.doc.recordCount[0], p.doc.recordCount[1]);
    QCOMPARE(p.view->state().displayedRecord, p.doc.recordCount[0] - 1);
    QCOMPARE(p.C<QLineEdit>(ctl::RecordCountEdit)->text(), QString::number(p.doc.recordCount[0]));
    QVERIFY(p.view->workspace().displaySpectrum[0][200] > 0.0f);
    const QString history = QString::fromStdString(Cp932ToUtf8(p.doc.historyText));
    QVERIFY(
        history.contains(QStringLiteral("計測開始 DataNo=0 wave comp=0 1:serial=AAA exp=10000")));
    QVERIFY(history.contains(QStringLiteral("計測終了 DataNo=")));
}

void AcquireGuiTest::busyFlagCoversEveryCycleAndNothingElse() {
    // Reads take 60 ms of real time: the flag must be seen up while a cycle
    // reads and down between cycles and after the end. Back to back the next
    // cycle starts in the hand-over, so the gap between cycles is an
    // interval's.
    Panel p("3:head:AAA;scene=halogen;timescale=1");
    p.C<QLineEdit>(ctl::ExposureEdit)->setText(QStringLiteral("60000"));
    p.C<QAbstractButton>(ctl::Interval)->click();
    p.SetEdit(ctl::IntervalEdit, "150");
    QCOMPARE(p.busy.load(), 0);
    p.Click(ctl::Start);
    bool sawBusy = false, sawIdleWhileMeasuring = false;
    QVERIFY(QTest::qWaitFor(
        [&] {
            const bool busyNow = p.busy.load() == 1;
            sawBusy = sawBusy || busyNow;
            if (!busyNow && sawBusy && p.acq().cycle().WorkerState() == 0)
                sawIdleWhileMeasuring = true;
            return sawIdleWhileMeasuring && p.doc.recordCount[0] == 0;
        },
        5000));
    // A close request in the middle of a read is what the frame refuses.
    QVERIFY(QTest::qWaitFor([&] { return p.busy.load() == 1; }, 2000));
    p.Click(ctl::Start);  // stop while the worker runs
    QVERIFY(!p.Enabled(ctl::Start));
    QVERIFY(!p.Enabled(ctl::OneShot));
    QVERIFY(p.acq().ProcessingBlocked());
    QVERIFY(p.view->IsMeasuring());  // the frame's file commands keep waiting
    QVERIFY(QTest::qWaitFor([&] { return p.Enabled(ctl::Start); }, 5000));
    QVERIFY(!p.view->IsMeasuring());
    QCOMPARE(p.busy.load(), 0);
    QVERIFY(!p.acq().ProcessingBlocked());
}

void AcquireGuiTest::backToBackKeepsEveryCycleAndShowsTheLast() {
    // Real time: two heads at 5 ms, so cycles come faster than the panel
    // redraws and most are never drawn while measuring.
    Panel p("3:head:AAA;5:head:BBB;scene=halogen;timescale=1");
    p.doc.exposureUs[1] = 5000;
    p.SetEdit(ctl::ExposureEdit, "5000");
    p.C<QAbstractButton>(ctl::Logging)->click();
    p.lib->ResetCounters();
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return p.doc.recordCount[0] >= 60; }, 10000));
    p.Click(ctl::Start);  // lands in a cycle, which is kept
    QVERIFY(QTest::qWaitFor(
        [&] { return p.Enabled(ctl::Start) && !p.acq().cycle().WorkerActive(); }, 5000));
    QTest::qWait(30);  // nothing more may come
    const int records = p.doc.recordCount[0];
    QCOMPARE(static_cast<int>(p.lib->Counters(DeviceNumber(3)).spectra), records);
    QCOMPARE(static_cast<int>(p.lib->Counters(DeviceNumber(5)).spectra), records);
    QCOMPARE(p.doc.recordCount[1], records);
    QCOMPARE(p.view->state().displayedRecord, records - 1);
    QCOMPARE(p.C<QLineEdit>(ctl::RecordCountEdit)->text(), QString::number(records));

    // What is shown is the last record: processing it again gives the same
    // curves and the same info line.
    const auto shown = p.view->workspace().displaySpectrum;
    const QString info = p.view->infoText();
    QVERIFY(p.view->ReprocessDisplayed());
    for (int a = 0; a < 2; ++a)
        for (int k = 0; k < GRID_POINTS; ++k)
            QCOMPARE(shown[a][k], p.view->workspace().displaySpectrum[a][k]);
    p.view->UpdateInfoBar(p.view->state().selectedHead);
    QCOMPARE(info, p.view->infoText());
}

void AcquireGuiTest::oneShotKeepsOneRecord() {
    Panel p;
    p.Click(ctl::OneShot);
    QVERIFY(p.view->state().measuring);
    QVERIFY(!p.Enabled(ctl::OneShot));
    QVERIFY(!p.Enabled(ctl::Start));
    QVERIFY(
        QTest::qWaitFor([&] { return !p.view->state().measuring && p.Enabled(ctl::Start); }, 5000));
    QCOMPARE(p.doc.recordCount[0], 1);
    QVERIFY(p.Enabled(ctl::OneShot));
    const QString history = QString::fromStdString(Cp932ToUtf8(p.doc.historyText));
    QCOMPARE(history.count(QStringLiteral("計測開始")), 1);
    QCOMPARE(history.count(QStringLiteral("計測終了 DataNo=0")), 1);
}

void AcquireGuiTest::positionFollowsTheRecordsAndStopGuidanceStays() {
    // Reads of 60 ms of real time.
    Panel p("3:head:AAA;scene=halogen;timescale=1");
    p.SetEdit(ctl::ExposureEdit, "60000");
    p.C<QAbstractButton>(ctl::Logging)->click();
    auto shown = [&] { return p.C<QLineEdit>(ctl::Position)->text(); };
    auto named = [&] {
        return QStringLiteral("%1 / %2")
            .arg(p.view->state().displayedRecord + 1)
            .arg(p.doc.recordCount[0]);
    };
    bool lagged = false;
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor(
        [&] {
            lagged = lagged || shown() != named();
            return p.doc.recordCount[0] >= 3;
        },
        10000));
    QVERIFY(!lagged);
    QCOMPARE(shown(), QStringLiteral("%1 / %1").arg(p.doc.recordCount[0]));
    // A resize's full repaint while measuring keeps the stop guidance and
    // the info line instead of the browsing texts.
    const QString info = p.view->infoText();
    QVERIFY(!info.isEmpty());
    p.view->FullRepaint();
    QCOMPARE(p.view->messageLine1(), QStringLiteral("停止ボタンを押すことで計測を停止します"));
    QCOMPARE(p.view->infoText(), info);

    // A cycle of 20 reads (1.2 s) stopped while its worker reads.
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return p.Enabled(ctl::Start); }, 5000));
    p.SetEdit(ctl::AverageEdit, "20");
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return p.acq().cycle().WorkerState() == 1; }, 5000));
    const int before = p.doc.recordCount[0];
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return !p.acq().cycle().WorkerActive(); }, 5000));
    QCOMPARE(p.doc.recordCount[0], before + 1);
    QCOMPARE(shown(), QStringLiteral("%1 / %1").arg(before + 1));
    QCOMPARE(p.view->messageLine1(),
             QStringLiteral("露光時間、平均回数を設定して開始ボタンを押すことで計測を開始します"));
}

void AcquireGuiTest::infoLineFollowsTheSensitivityBox() {
    Panel p;
    p.view->FullRepaint();  // the pending one would clear the line later
    p.Click(ctl::OneShot);
    QVERIFY(QTest::qWaitFor([&] { return p.Enabled(ctl::Start); }, 5000));
    const QString without = p.view->infoText();
    QVERIFY(!without.isEmpty());
    p.Click(ctl::Sensitivity);
    QCOMPARE(p.view->options().sensitivityOn, 1);
    // The gain changes the curve; the maxima and minima of the line must
    // be those of the curve now drawn.
    QVERIFY(p.view->infoText() != without);
    QCOMPARE(p.view->infoText(),
             QString::fromStdString(p.view->workspace().UpdateInfoBarText(
                 p.doc, 0, p.view->options().displayKind, 0, p.view->options().graphMax)));
}

void AcquireGuiTest::darkMeasurementRunsToTheEnd() {
    Panel p("3:head:AAA;5:head:BBB;scene=dark;timescale=0");
    p.dialogs.okCancelAnswers = {true, false};
    p.Click(ctl::DarkMeasure);
    QVERIFY(p.view->state().darkInProgress);
    QVERIFY(!p.Enabled(ctl::Start));
    QVERIFY(!p.Enabled(ctl::OneShot));
    QVERIFY(!p.Enabled(ctl::Detect));
    QVERIFY(QTest::qWaitFor([&] { return !p.view->state().darkInProgress; }, 10000));
    QCOMPARE(p.view->messageLine1(), QString::fromUtf8(acq::kMsgDarkDone));
    QCOMPARE(p.dialogs.asked.back(), std::string(acq::kAskDarkRegister));
    QVERIFY(p.Enabled(ctl::Start));
    QVERIFY(!p.view->state().measuring);
    QVERIFY(p.doc.darkTable[1][19][50] > p.doc.darkTable[1][0][50]);
    QCOMPARE(p.view->workspace().darkBase[1][50], p.doc.darkTable[1][0][50]);
}

void AcquireGuiTest::autoSaveWritesTheSlotJustFilled() {
    Panel p;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    p.view->options().autoSaveOn = 1;
    p.view->options().autoSaveNaming = 2;  // No<slot>.csv
    p.view->options().saveFolder = dir.path().toStdString();
    p.C<QAbstractButton>(ctl::Logging)->click();
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return p.doc.recordCount[0] >= 2; }, 10000));
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return !p.acq().cycle().WorkerActive(); }, 5000));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("No0.csv"))));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("No1.csv"))));
}

void AcquireGuiTest::autoSaveFailureIsReportedOncePerStreak() {
    Panel p;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("no-such-folder"));
    p.view->options().autoSaveOn = 1;
    p.view->options().autoSaveNaming = 2;
    p.view->options().saveFolder = missing.toStdString();
    QSignalSpy status(p.view.get(), &Cvarnello_mfView::statusText);
    p.C<QAbstractButton>(ctl::Logging)->click();
    p.Click(ctl::Start);
    // Measuring goes on through the failures, and they are told only once.
    QVERIFY(QTest::qWaitFor([&] { return p.doc.recordCount[0] >= 4; }, 10000));
    QCOMPARE(status.count(), 1);
    const QString expected = QStringLiteral("CSV自動保存に失敗しました: ") + missing +
                             QDir::separator() + QStringLiteral("No0.csv");
    QCOMPARE(status.at(0).at(0).toString(), QDir::fromNativeSeparators(expected));
    // Once the folder exists the streak ends; a later failure is told again.
    QVERIFY(QDir().mkpath(missing));
    const int before = p.doc.recordCount[0];
    QVERIFY(QTest::qWaitFor([&] { return p.doc.recordCount[0] >= before + 2; }, 10000));
    QVERIFY(QDir(missing).removeRecursively());
    QVERIFY(QTest::qWaitFor([&] { return status.count() == 2; }, 10000));
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return !p.acq().cycle().WorkerActive(); }, 5000));
    QCOMPARE(status.count(), 2);
    QVERIFY(p.doc.recordCount[0] >= before + 3);
}

// The journal's writer thread tells the panel, which stops a measurement
// waiting out a long interval at once (not at the next cycle), asks, and on
// OK runs the frame's File Save.
void AcquireGuiTest::journalFailureBetweenCyclesStopsAtOnceAndOffersTheSave() {
    QTemporaryDir dir;
    test::FakeJournalIo io;
    RecordJournal journal(dir.filePath(QStringLiteral("j.vqjournal")).toStdString(), &io);
    int saves = 0;
    struct Journalled : test::PanelFixture {
        Journalled(RecordJournal& j, int& saves)
            : test::PanelFixture("3:head:AAA;5:head:BBB;timescale=0",
                                 {.settings = false,
                                  .busy = true,
                                  .detect = true,
                                  .journal = &j,
                                  .saveRecords = [&saves] { ++saves; }}) {}
    } p(journal, saves);
    p.C<QAbstractButton>(ctl::Logging)->click();
    p.C<QAbstractButton>(ctl::Interval)->click();
    p.C<QLineEdit>(ctl::IntervalEdit)->setText(QStringLiteral("60000"));
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return p.doc.recordCount[0] == 1; }, 10000));
    QVERIFY(QTest::qWaitFor([&] { return !p.view->acquisition().cycle().WorkerActive(); }, 5000));
    io.FailWrites(true);
    std::array<int, MAX_HEADS> none;
    none.fill(-1);
    journal.AppendRecords(p.doc, none, 0);
    QVERIFY(!journal.Flush());
    QVERIFY(QTest::qWaitFor([&] { return !p.view->state().measuring; }, 1000));
    QCOMPARE(p.dialogs.asked.size(), 1u);
    QVERIFY(QString::fromStdString(p.dialogs.asked[0])
                .startsWith(QStringLiteral(
                    "記録ジャーナルに書き込めなくなったため、計測を停止しました。")));
    QCOMPARE(saves, 1);
    QCOMPARE(p.doc.recordCount[0], 1);
    journal.Remove();
}

void AcquireGuiTest::screenshotWhileMeasuring() {
    Panel p;
    p.C<QAbstractButton>(ctl::Logging)->click();
    p.view->show();
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return p.doc.recordCount[0] >= 3; }, 10000));
    const QString path = QStringLiteral("/tmp/vmf_acquire_measuring.png");
    QVERIFY(p.view->grab().save(path));
    p.Click(ctl::Start);
    QVERIFY(QTest::qWaitFor([&] { return !p.acq().cycle().WorkerActive(); }, 5000));
}

}  // namespace
}  // namespace vmf

QTEST_MAIN(vmf::AcquireGuiTest)
#include "test_acquire_gui.moc"
