// The panel's commands on recorded data, on the offscreen platform with the
// simulated bench: CSV save through the options dialog, data clear, the
// maintenance mode and button, and the mirror dialog from the device list.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>

#include "acquire/AcquisitionController.h"
#include "csv/CSaveCSVDlg.h"
#include "csv/CsvWriter.h"
#include "device/SimulatedDeviceLibrary.h"
#include "fakes/PanelFixture.h"
#include "maintenance/CSetMirrorDlg.h"
#include "maintenance/CSettingDlg.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelCommands.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

// A detected panel with two heads, an LED driver and a mirror unit.
struct Panel : test::PanelFixture {
    explicit Panel(bool detect = true)
        : test::PanelFixture("3:head:AAA;5:head:BBB;7:led8;8:mirror;scene=halogen;timescale=0",
                             {.detect = detect}) {
        dialogs.asked.clear();
    }
    PanelCommands& commands() { return view->commands(); }
    // Records 0..n-1 of every head from the bench, record r raised by 10 r
    // counts and taken at 25 + r degrees.
    void Record(int n) {
        RecordFromBench(n, 10, 25.0f, 1.0f);
        view->ShowRecordCount();
    }
    // Answers the CSV options dialog: `edit` changes its controls, then OK.
    void AnswerCsvDialog(std::function<void(CSaveCSVDlg&)> edit) {
        commands().SetCsvDialogRunner([edit](CSaveCSVDlg& dlg) {
            dlg.show();  // the opening fills the controls from the members
            if (edit) edit(dlg);
            dlg.accept();
            const bool ok = dlg.result() == QDialog::Accepted;
            dlg.hide();
            return ok;
        });
    }
};

void SetText(CSaveCSVDlg& dlg, int id, const char* text) {
    qobject_cast<QLineEdit*>(dlg.Control(id))->setText(QString::fromUtf8(text));
}
void SetTarget(CSaveCSVDlg& dlg, int target) {
    qobject_cast<QComboBox*>(dlg.Control(1068))->setCurrentIndex(target);
}

class CommandsTest : public QObject {
    Q_OBJECT
private slots:
    void csvWithAutomaticSavingOnOnlyStoresTheOptions();
    void csvCancelChangesNothing();
    void csvWithoutRecordsOpensNoFileDialog();
    void csvReferenceTargetAlwaysAsksForAFile();
    void csvButtonWritesWhatTheWriterWrites();
    void csvFileThatCannotBeWrittenIsTold();
    void clearDataAsksClearsAndKeepsTheRest();
    void maintenanceButtonRoundTripsTheListPathAndDerivesDark();
    void deviceListDoubleClickOpensOnlyTheMirrorDialog();
};

void CommandsTest::csvWithAutomaticSavingOnOnlyStoresTheOptions() {
    for (int target : {0, 1}) {
        Panel p;
        p.Record(3);
        p.view->options().autoSaveOn = 1;
        p.AnswerCsvDialog([target](CSaveCSVDlg& dlg) {
            QCOMPARE(dlg.firstDataNumber, 1);
            QCOMPARE(dlg.endDataNumber, 3);
            SetTarget(dlg, target);
            SetText(dlg, 1053, "5");
            qobject_cast<QComboBox*>(dlg.Control(1056))->setCurrentIndex(1);
            qobject_cast<QCheckBox*>(dlg.Control(1049))->click();  // temperature off
        });
        p.C<QPushButton>(ctl::Csv)->click();
        QCOMPARE(p.dialogs.asked, std::vector<std::string>{});
        QCOMPARE(p.Caption(ctl::Csv), QStringLiteral("CSV保存(AUTO)"));
        QCOMPARE(p.view->options().csvTarget, target);
        QCOMPARE(p.view->options().csvStepNm, 5);
        QCOMPARE(p.view->options().csvAddTemp, 0);
        // The automatic save writes for the head chosen in the dialog.
        QCOMPARE(p.view->acquisition().csvHead, 1);
    }
}

void CommandsTest::csvCancelChangesNothing() {
    Panel p;
    p.Record(2);
    p.commands().SetCsvDialogRunner([](CSaveCSVDlg& dlg) {
        dlg.csvStepNm = 99;
        dlg.autoSaveOn = true;
        dlg.csvHead = 1;
        return false;
    });
    p.C<QPushButton>(ctl::Csv)->click();
    QCOMPARE(p.view->options().csvStepNm, 10);
    QCOMPARE(p.view->options().autoSaveOn, 0);
    QCOMPARE(p.view->acquisition().csvHead, 0);
    QCOMPARE(p.Caption(ctl::Csv), QStringLiteral("データ保存"));
    QVERIFY(p.dialogs.asked.empty());
}

void CommandsTest::csvWithoutRecordsOpensNoFileDialog() {
    // The other ways to nothing-to-write are CsvFileWantedNow's, tested alone.
    Panel p;
    p.AnswerCsvDialog(nullptr);
    p.C<QPushButton>(ctl::Csv)->click();
    QCOMPARE(p.Caption(ctl::Csv), QStringLiteral("CSV保存"));
    QVERIFY(p.dialogs.asked.empty());
}

void CommandsTest::csvReferenceTargetAlwaysAsksForAFile() {
    Panel p;
    for (int c = 0; c <= MAX_CHANNELS; ++c) p.doc.whiteRef[0][c] = 8000.0f + c;
    p.view->options().autoSaveOn = 1;
    p.AnswerCsvDialog([](CSaveCSVDlg& dlg) { SetTarget(dlg, 2); });
    // Cancel of the file dialog writes nothing.
    p.dialogs.fileAnswers = {std::nullopt};
    p.C<QPushButton>(ctl::Csv)->click();
    QCOMPARE(p.dialogs.asked, std::vector<std::string>{kCsvSaveTitle});
    QCOMPARE(p.Caption(ctl::Csv), QStringLiteral("CSV保存(AUTO)"));

    // A name typed without extension gets the dialog's default ".csv".
    p.dialogs.fileAnswers = {p.Path("white")};
    p.C<QPushButton>(ctl::Csv)->click();
    const std::string written = test::ReadFileBytes(p.Path("white.csv"));
    QVERIFY(p.dialogs.notices.empty());
    std::string expected;
    {
        CsvWriter writer(p.doc, p.view->workspace(), p.view->Processing(), 2);
        std::string error;
        QVERIFY(writer.WriteCsvFile(p.Path("expected.csv"), 0, 0, 0, true, true, true, true, 340,
                                    850, 10, error));
        expected = test::ReadFileBytes(p.Path("expected.csv"));
    }
    QCOMPARE(written, expected);
    QVERIFY(written.rfind("temp,,\r\nexposure,", 0) == 0);
}

void CommandsTest::csvButtonWritesWhatTheWriterWrites() {
    Panel p;
    p.Record(4);
    p.view->state().displayedRecord = 0;
    p.view->ReprocessDisplayed();
    const auto shown = p.view->workspace().displaySpectrum;
    p.AnswerCsvDialog([](CSaveCSVDlg& dlg) {
        qobject_cast<QComboBox*>(dlg.Control(1056))->setCurrentIndex(1);
        SetText(dlg, 1054, "2");
        SetText(dlg, 1055, "3");
        SetText(dlg, 1051, "400");
        SetText(dlg, 1052, "420");
        qobject_cast<QCheckBox*>(dlg.Control(1058))->setChecked(false);  // horizontal
    });
    p.dialogs.fileAnswers = {p.Path("records.csv")};
    p.C<QPushButton>(ctl::Csv)->click();
    QVERIFY(p.dialogs.notices.empty());
    const std::string written = test::ReadFileBytes(p.Path("records.csv"));
    // The graph went back to the displayed record after the export.
    QVERIFY(p.view->workspace().displaySpectrum == shown);

    // Same request straight to the writer: records 2..3 (1..2 0-based) of head 1.
    CsvWriter writer(p.doc, p.view->workspace(), p.view->Processing(), 0);
    std::string error;
    QVERIFY(writer.WriteCsvFile(p.Path("expected.csv"), 1, 3, 1, true, true, true, false, 400, 420,
                                10, error));
    QCOMPARE(written, test::ReadFileBytes(p.Path("expected.csv")));
    QVERIFY(written.rfind("temp,exposure,   400,   410,   420,\r\n26.0,", 0) == 0);
}

void CommandsTest::csvFileThatCannotBeWrittenIsTold() {
    Panel p;
    p.Record(1);
    p.AnswerCsvDialog(nullptr);
    const std::string path = p.Path("no-such-folder/out.csv");
    p.dialogs.fileAnswers = {path};
    p.C<QPushButton>(ctl::Csv)->click();
    QCOMPARE(p.dialogs.notices.size(), std::size_t(1));
    const std::string& notice = p.dialogs.notices[0];
    QVERIFY2(notice.rfind("CSVファイルを保存できませんでした: " + path + " (", 0) == 0,
             notice.c_str());
}

void CommandsTest::clearDataAsksClearsAndKeepsTheRest() {
    Panel p;
    // No records: the notice only.
    p.C<QPushButton>(ctl::ClearData)->click();
    QCOMPARE(p.dialogs.asked, std::vector<std::string>{"削除するデータはありません"});
    QCOMPARE(p.dialogs.notices.size(), std::size_t(1));

    p.Record(3);
    p.doc.AppendHistory("メモ");
    p.doc.whiteRef[1][5] = 1234.5f;
    p.doc.gain[0][7] = 1.25f;
    const std::string history = p.doc.historyText;
    p.view->compareStore() = std::make_unique<Cvarnello_mfDoc>();
    p.view->state().displayedRecord = 2;
    p.view->ShowPosition();
    p.doc.SetModifiedFlag(false);

    // Cancel keeps every record.
    p.dialogs.asked.clear();
    p.dialogs.okCancelAnswers = {false};
    p.C<QPushButton>(ctl::ClearData)->click();
    QCOMPARE(p.dialogs.asked, std::vector<std::string>{"データを削除していいですか？"});
    QCOMPARE(p.doc.recordCount[1], 3);
    QVERIFY(!p.doc.IsModified());

    p.view->ReprocessDisplayed();
    p.view->state().method = MeasuringMethod::Reflectance;
    p.view->workspace().displayRatio[1].fill(50.0f);
    p.C<QPushButton>(ctl::ClearData)->click();
    for (int a = 0; a < 2; ++a) {
        QCOMPARE(p.doc.recordCount[a], 0);
        QVERIFY(!p.doc.recRaw(a, 0));
        for (int k = 0; k < GRID_POINTS; ++k) {
            QCOMPARE(p.view->workspace().displaySpectrum[a][k], 0.0f);
            QCOMPARE(p.view->workspace().displayRatio[a][k], 0.0f);
        }
    }
    QCOMPARE(p.view->state().displayedRecord, 0);
    QCOMPARE(p.Text(1038), QStringLiteral("1 / 0"));
    QCOMPARE(p.Text(1015), QStringLiteral("0"));
    QVERIFY(p.view->FullRepaintPending());
    QVERIFY(p.doc.IsModified());
    QCOMPARE(p.doc.headCount, 2);
    QCOMPARE(p.doc.serialNo[1], std::string("BBB"));
    QCOMPARE(p.doc.whiteRef[1][5], 1234.5f);
    QCOMPARE(p.doc.gain[0][7], 1.25f);
    QCOMPARE(p.doc.historyText, history);
    QVERIFY(p.view->compareStore());

    p.dialogs.asked.clear();
    p.C<QPushButton>(ctl::ClearData)->click();
    QCOMPARE(p.dialogs.asked, std::vector<std::string>{"削除するデータはありません"});

    // Detecting again over records clears them too; the fields follow.
    p.Record(2);
    p.view->ShowPosition();
    p.C<QPushButton>(ctl::Detect)->click();  // release: the records stay
    QCOMPARE(p.Text(1015), QStringLiteral("2"));
    p.C<QPushButton>(ctl::Detect)->click();  // detect, OK to the clear question
    QCOMPARE(p.doc.recordCount[0], 0);
    QCOMPARE(p.Text(1038), QStringLiteral("1 / 0"));
    QCOMPARE(p.Text(1015), QStringLiteral("0"));
}

void CommandsTest::maintenanceButtonRoundTripsTheListPathAndDerivesDark() {
    Panel p;
    p.settings.strings["comp/list"] = "/data/coefficients.csv";
    std::string seen;
    // The dialog changed head 1's dark table and chose another list file.
    p.commands().SetSettingDialogRunner([&](CSettingDlg& dlg) {
        seen = dlg.coefficientListPath;
        dlg.coefficientListPath = "/data/other list.csv";
        for (int c = 0; c < MAX_CHANNELS; ++c) {
            p.doc.darkTable[1][0][c] = 100.0f;
            p.doc.darkTable[1][19][c] = 300.0f + c;
        }
    });
    p.commands().OnToggleMaintenanceMode();
    QVERIFY(!p.view->Control(ctl::Maintenance)->isHidden());
    p.C<QPushButton>(ctl::Maintenance)->click();
    QCOMPARE(seen, std::string("/data/coefficients.csv"));
    QCOMPARE(p.settings.strings["comp/list"], std::string("/data/other list.csv"));
    SpectrumWorkspace expected;
    for (int a = 0; a < 2; ++a) expected.DeriveDarkModel(p.doc, a);
    QVERIFY(p.view->workspace().darkBase == expected.darkBase);
    QVERIFY(p.view->workspace().darkSlope == expected.darkSlope);
    QVERIFY(expected.darkSlope[1][5] != 0.0f);

    // The real dialog reads the list it is handed when it opens.
    const std::string list = p.Path("list.csv");
    std::ofstream(list, std::ios::binary) << "C12880MA,S1,300,2.5,0,0,0,0\r\n";
    p.settings.strings["comp/list"] = list;
    std::size_t entries = 0;
    p.commands().SetSettingDialogRunner([&](CSettingDlg& dlg) {
        dlg.show();
        entries = dlg.coefficientList().size();
        dlg.reject();
    });
    p.C<QPushButton>(ctl::Maintenance)->click();
    QCOMPARE(entries, std::size_t(1));
    QCOMPARE(p.settings.strings["comp/list"], list);

    // While measuring the dialog does not open (it would show tables the
    // worker is writing).
    int opened = 0;
    p.commands().SetSettingDialogRunner([&](CSettingDlg&) { ++opened; });
    p.view->state().measuring = true;
    p.dialogs.notices.clear();
    p.C<QPushButton>(ctl::Maintenance)->click();
    p.view->state().measuring = false;
    QCOMPARE(opened, 0);
    QCOMPARE(p.dialogs.notices, std::vector<std::string>{
                                    "計測中は実行できません。計測を停止してから実行してください"});

    // No stored path: the dialog gets an empty one.
    p.settings.strings.clear();
    p.commands().SetSettingDialogRunner([&](CSettingDlg& dlg) { seen = dlg.coefficientListPath; });
    p.C<QPushButton>(ctl::Maintenance)->click();
    QCOMPARE(seen, std::string());
    QCOMPARE(p.settings.strings["comp/list"], std::string());
}

void CommandsTest::deviceListDoubleClickOpensOnlyTheMirrorDialog() {
    Panel p;
    int opened = 0;
    p.commands().SetMirrorDialogRunner([&](CSetMirrorDlg&) { ++opened; });
    auto* list = p.C<QListWidget>(ctl::DeviceList);
    QCOMPARE(list->count(), 2);
    QVERIFY(!list->item(0)->text().contains("M-MIRROR"));
    QVERIFY(list->item(1)->text().contains("M-MIRROR"));

    // Nothing selected, then the LED driver: nothing.
    p.commands().OnDeviceListDoubleClick();
    list->setCurrentRow(0);
    p.commands().OnDeviceListDoubleClick();
    QCOMPARE(opened, 0);

    // A real double-click on the mirror entry.
    p.view->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.view.get()));
    const QPoint at = list->visualItemRect(list->item(1)).center();
    // As the window system delivers one: a click, then the double-click event.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(opened, 1);
    QVERIFY(p.dialogs.asked.empty());

    // No mirror unit known to the panel: nothing either.
    p.view->state().mirrorDevice.reset();
    p.commands().OnDeviceListDoubleClick();
    QCOMPARE(opened, 1);
}

}  // namespace
}  // namespace vmf

QTEST_MAIN(vmf::CommandsTest)
#include "test_commands.moc"
