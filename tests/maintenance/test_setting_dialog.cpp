// The calibration table dialog on the offscreen platform with a panel over
// the simulated bench: controls, opening with and without a head, the list
// choice, initialising, the dark procedure by its timer, the gain, the write
// to the head and the table CSV, and the refusals while measuring.

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "common/PanelOptions.h"
#include "device/Detection.h"
#include "device/SimulatedDeviceLibrary.h"
#include "fakes/PanelFixture.h"
#include "maintenance/CSettingDlg.h"
#include "maintenance/CalibrationCsvFile.h"
#include "maintenance/MaintenanceTexts.h"
#include "panel/Cvarnello_mfView.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

using test::Repeat;

// A panel over a bench with heads at devices 2 and 5 (slots 0 and 1), and
// a scratch folder with a coefficient list file.
struct Fixture : test::PanelFixture {
    std::string listPath;

    explicit Fixture(bool detect = true,
                     const char* bench = "2:head:SN000001;5:head:SN000002;scene=dark;timescale=0")
        : test::PanelFixture(bench, {.height = 0, .initialUpdate = false}) {
        listPath = Path("list.csv");
        std::ofstream(listPath, std::ios::binary)
            << "\"C12880MA\",\"12345678\",300,2,0,0,0,0\r\n"
               "\"LED16ch\",\"LED00001\",1,1,1,1,1,1\r\n"
               "\"C12880MA\",\"\x83\x65\x83\x58\x83\x67\x30\x31\x32\",310.5,1.9,0.0001,0,0,0\r\n";
        if (detect) {
            Detect(
                doc, *lib, dialogs, [](int) {}, 0);
            QCOMPARE(doc.headCount, 2);
            view->state().headDevice[0] = DeviceNumber(2);
            view->state().headDevice[1] = DeviceNumber(5);
            view->state().selectedHead = 1;
            view->state().detected = true;
        } else {
            view->state().selectedHead = -1;
        }
        dialogs.asked.clear();
        dialogs.notices.clear();
        lib->ResetCounters();
    }
    std::unique_ptr<CSettingDlg> Open(bool withList = true) {
        auto dlg = std::make_unique<CSettingDlg>(*view);
        if (withList) dlg->coefficientListPath = listPath;
        dlg->show();
        return dlg;
    }
};

template <class T>
T* C(CSettingDlg& d, int id) {
    return qobject_cast<T*>(d.Control(id));
}
QStringList Items(CSettingDlg& d, int id) {
    QStringList out;
    auto* list = C<QListWidget>(d, id);
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}
bool Enabled(CSettingDlg& d, int id) { return d.Control(id)->isEnabled(); }
void Click(CSettingDlg& d, int id) { C<QPushButton>(d, id)->click(); }

class SettingDialogTest : public QObject {
    Q_OBJECT
private slots:
    void controlsCaptionsAndTableLines();
    void openingWithoutHeadDisablesTheHeadCommandsAndStillLoadsTheList();
    void choosingAnEntryRecomputesWavelengthsAndSetSendsSerialAndPolynomial();
    void initialiseShowsTheResetTable();
    void darkProcedureRunsByItsTimerAndLocksTheOtherCommands();
    void closingStopsTheDarkProcedure();
    void gainIsMeasuredOrRefusedWithoutChange();
    void writeReportsCompletionOrNamesTheFailure();
    void csvSaveWritesTheTableOrNamesTheFile();
    void commandsRefuseWhileMeasuring();
};

void SettingDialogTest::controlsCaptionsAndTableLines() {
    Fixture f;
    auto dlg = f.Open();
    QCOMPARE(dlg->windowTitle(), QStringLiteral("Setting"));
    const std::map<int, QString> captions = {
        {1043, "ファイル"},          {1044, "設定"},       {1045, "初期化"},
        {1046, "ダーク計測"},        {1047, "ゲイン設定"}, {1050, "装置へ書き込む"},
        {1051, "CSVファイルへ保存"},
    };
    for (const auto& [id, text] : captions) {
        auto* b = C<QPushButton>(*dlg, id);
        QVERIFY2(b, qPrintable(QString::number(id)));
        QCOMPARE(b->text(), text);
        QVERIFY(!b->autoDefault());
        QVERIFY(b->isEnabled());
    }
    bool heading = false;
    for (QLabel* l : dlg->findChildren<QLabel*>()) {
        heading = heading || l->text() == QStringLiteral(
                                              "　　波長　ゲイン　ホワイト　透過１００％　ダーク（２"
                                              "１ステップ）");
    }
    QVERIFY(heading);
    auto* table = C<QListWidget>(*dlg, 1041);
    QVERIFY(table->isSortingEnabled());
    const QFontMetrics metrics(table->font());  // the columns line up
    for (QChar ch : QStringLiteral(" .-:W"))
        QCOMPARE(metrics.horizontalAdvance(ch), metrics.horizontalAdvance(QLatin1Char('0')));
    QVERIFY(!C<QListWidget>(*dlg, 1042)->isSortingEnabled());
    const QStringList lines = Items(*dlg, 1041);
    QCOMPARE(lines.size(), 289);
    for (int c = 0; c < 289; ++c) QVERIFY(lines[c].startsWith(QString::asprintf("%3d: ", c + 1)));
    // The table shown is that of the selected head (slot 1), as detection read it.
    QVERIFY(lines[0].startsWith(QString::asprintf("  1: %5.1f ", f.doc.wavelengthNm[1][0])));
    // The serials in file order, the other kind left out; CP932 shown as text.
    QCOMPARE(Items(*dlg, 1042), (QStringList{"12345678", "テスト012"}));
    QCOMPARE(dlg->coefficientList().size(), size_t(2));
    // The gain shapes are those of the selected head.
    QCOMPARE(*std::max_element(dlg->gainShapes().expectedLamp.begin(),
                               dlg->gainShapes().expectedLamp.end()),
             8192.0f);

    const QString out = qEnvironmentVariable("VMF_SETTING_SCREENSHOT");
    if (!out.isEmpty()) {
        dlg->resize(dlg->sizeHint());
        QVERIFY(dlg->grab().save(out));
    }
}

void SettingDialogTest::openingWithoutHeadDisablesTheHeadCommandsAndStillLoadsTheList() {
    Fixture f(false);
    auto dlg = f.Open();
    QCOMPARE(Items(*dlg, 1041).size(), 0);
    for (int id : {1044, 1045, 1046, 1047, 1050, 1051}) QVERIFY(!Enabled(*dlg, id));
    QVERIFY(Enabled(*dlg, 1043));
    QVERIFY(Enabled(*dlg, 1042));
    QCOMPARE(Items(*dlg, 1042), (QStringList{"12345678", "テスト012"}));
    // A choice without a head touches no head's data.
    C<QListWidget>(*dlg, 1042)->setCurrentRow(0);
    for (int a = 0; a < MAX_HEADS; ++a) {
        QVERIFY(f.doc.serialNo[a].empty());
        QCOMPARE(f.doc.wavelengthNm[a][0], 0.0f);
    }
    QVERIFY(f.dialogs.asked.empty());

    // "ファイル" loads another list; Cancel keeps the path and the list.
    const std::string other = f.Path("other.csv");
    std::ofstream(other, std::ios::binary) << "C12880MA,OTHER001,1\r\n";
    f.dialogs.fileAnswers = {std::nullopt, other};
    Click(*dlg, 1043);
    QCOMPARE(dlg->coefficientListPath, f.listPath);
    QCOMPARE(Items(*dlg, 1042).size(), 2);
    Click(*dlg, 1043);
    QCOMPARE(dlg->coefficientListPath, other);
    QCOMPARE(Items(*dlg, 1042), QStringList{"OTHER001"});
}

void SettingDialogTest::choosingAnEntryRecomputesWavelengthsAndSetSendsSerialAndPolynomial() {
    Fixture f;
    auto dlg = f.Open();
    const auto head0 = f.doc.wavelengthNm[0];
    C<QListWidget>(*dlg, 1042)->setCurrentRow(0);
    QCOMPARE(f.doc.serialNo[1], std::string("12345678"));
    QCOMPARE(f.doc.wavePoly[1][0], 300.0);
    QCOMPARE(f.doc.wavePoly[1][1], 2.0);
    const QStringList lines = Items(*dlg, 1041);
    QVERIFY(lines[0].startsWith("  1: 302.0 "));
    QVERIFY(lines[287].startsWith("288: 876.0 "));
    QVERIFY(f.doc.wavelengthNm[0] == head0);
    QCOMPARE(f.lib->Counters(DeviceNumber(5)).writes, 0);  // nothing sent yet

    C<QListWidget>(*dlg, 1042)->setCurrentRow(1);
    QCOMPARE(f.doc.serialNo[1], std::string("\x83\x65\x83\x58\x83\x67\x30\x31\x32"));
    Click(*dlg, 1044);
    const auto c = f.lib->Counters(DeviceNumber(5));
    QCOMPARE(c.setSerial, 1);
    QCOMPARE(c.setCoefficients, 1);
    QCOMPARE(c.writes, 0);  // the wavelength table is not written here
    QCOMPARE(f.lib->Counters(DeviceNumber(2)).setSerial, 0);
    QCOMPARE(f.lib->Memory(DeviceNumber(5))->coeffs, f.doc.wavePoly[1]);
    QVERIFY(f.dialogs.asked.empty());  // no message follows

    // A serial too short for the head is told, the polynomial still goes.
    f.doc.serialNo[1] = "AB";
    Click(*dlg, 1044);
    QCOMPARE(f.dialogs.notices,
             std::vector<std::string>{
                 "シリアル番号は7文字以上必要です。シリアル番号は書き込んでいません"});
    QCOMPARE(f.lib->Counters(DeviceNumber(5)).setCoefficients, 2);
}

void SettingDialogTest::initialiseShowsTheResetTable() {
    Fixture f;
    f.doc.gain[1][288] = 123.0f;
    f.doc.whiteRef[1][288] = 4567.0f;
    f.doc.transRef[1][288] = 89.0f;
    f.doc.wavelengthNm[1][0] = 340.123f;
    const auto otherDark = f.doc.darkTable[0];
    auto dlg = f.Open();
    Click(*dlg, 1045);
    const QStringList lines = Items(*dlg, 1041);
    QCOMPARE(lines[0].toStdString(),
             "  1: 340.1   1.0 8192.0 8192.0    0.0 " + Repeat("   0.0 ", 20));
    QCOMPARE(lines[287].mid(10).toStdString(), "   1.0 8192.0 8192.0 " + Repeat("   0.0 ", 21));
    QCOMPARE(lines[288], QStringLiteral("289:   0.0 123.0 4567.0   89.0 "));
    QVERIFY(std::memcmp(&f.doc.darkTable[0], &otherDark, sizeof otherDark) == 0);
    QCOMPARE(f.lib->Counters(DeviceNumber(5)).writes, 0);
}

void SettingDialogTest::darkProcedureRunsByItsTimerAndLocksTheOtherCommands() {
    Fixture f;
    QVERIFY(f.doc.EnsureRecordArrays(1, 0));
    f.doc.recRaw(1, 0)[3] = 4321.0f;
    f.doc.recordCount[1] = 1;
    const auto otherDark = f.doc.darkTable[0];
    auto dlg = f.Open();
    Click(*dlg, 1046);
    QVERIFY(dlg->DarkTimerActive());
    QCOMPARE(f.doc.darkTable[1][20][287], 2048.0f);
    for (int id : {1044, 1045, 1047, 1050, 1042}) QVERIFY(!Enabled(*dlg, id));
    for (int id : {1043, 1046, 1051}) QVERIFY(Enabled(*dlg, id));
    int ticks = 0;
    while (dlg->FireDarkTimer()) {
        ++ticks;
        if (ticks == 3) QVERIFY(Items(*dlg, 1041)[0].endsWith(QString("2048.0 ").repeated(20)));
        QVERIFY(ticks <= 63);
    }
    QCOMPARE(ticks, 63);
    QCOMPARE(f.dialogs.notices, std::vector<std::string>{"ダーク計測を終了しました"});
    QCOMPARE(f.lib->Counters(DeviceNumber(5)).spectra, 63);
    QCOMPARE(f.lib->Counters(DeviceNumber(2)).spectra, 0);
    for (const auto& step : f.doc.darkTable[1])
        for (float v : step) QVERIFY(v != 2048.0f);
    QVERIFY(std::memcmp(&f.doc.darkTable[0], &otherDark, sizeof otherDark) == 0);
    QCOMPARE(f.doc.recRaw(1, 0)[3], 4321.0f);
    QCOMPARE(Items(*dlg, 1041)[0].split(' ', Qt::SkipEmptyParts).size(), 26);
    for (int id : {1044, 1045, 1047, 1050, 1042}) QVERIFY(Enabled(*dlg, id));
    double e = 0;
    f.lib->DevGetExposure(DeviceNumber(5), &e);
    QCOMPARE(e, 1000000.0);
}

void SettingDialogTest::closingStopsTheDarkProcedure() {
    Fixture f;
    auto dlg = f.Open();
    Click(*dlg, 1046);
    for (int i = 0; i < 4; ++i) QVERIFY(dlg->FireDarkTimer());
    // Pressing again restarts from step 0 with the table refilled.
    Click(*dlg, 1046);
    QCOMPARE(dlg->darkProcedure().Step(), 0);
    QCOMPARE(f.doc.darkTable[1][0][0], 2048.0f);
    for (int i = 0; i < 4; ++i) QVERIFY(dlg->FireDarkTimer());
    dlg->close();
    QVERIFY(!dlg->DarkTimerActive());
    QVERIFY(!dlg->darkProcedure().Running());
    QVERIFY(f.doc.darkTable[1][0][0] != 2048.0f);
    QCOMPARE(f.doc.darkTable[1][1][0], 2048.0f);
    QVERIFY(f.dialogs.notices.empty());
}

void SettingDialogTest::gainIsMeasuredOrRefusedWithoutChange() {
    Fixture f(true, "2:head:SN000001;5:head:SN000002;scene=white;timescale=0");
    f.doc.exposureUs[1] = 20000;
    auto dlg = f.Open();
    Click(*dlg, 1047);
    QCOMPARE(f.dialogs.notices, std::vector<std::string>{"ゲインを計測しました"});
    QCOMPARE(f.lib->Counters(DeviceNumber(5)).spectra, 10);
    double e = 0;
    f.lib->DevGetExposure(DeviceNumber(5), &e);
    QCOMPARE(e, 20000.0);
    QCOMPARE(f.doc.gain[1][288], 20000.0f);
    float least = 1e30f;
    for (int c = 0; c < 288; ++c) {
        QVERIFY(std::isfinite(f.doc.gain[1][c]));
        least = std::min(least, f.doc.gain[1][c]);
    }
    QCOMPARE(least, 1.0f);
    QVERIFY(Items(*dlg, 1041)[288].startsWith("289:   0.0 20000.0 "));

    // Spectra below the dark everywhere: refused, the gain row unchanged.
    const auto before = f.doc.gain[1];
    f.doc.darkTable[1][0].fill(40000.0f);
    f.dialogs.notices.clear();
    Click(*dlg, 1047);
    QCOMPARE(f.dialogs.notices,
             std::vector<std::string>{
                 "光が検出されないため、ゲインを計測できません。ゲインは変更していません"});
    QVERIFY(f.doc.gain[1] == before);
}

void SettingDialogTest::writeReportsCompletionOrNamesTheFailure() {
    Fixture f;
    f.doc.whiteRef[1][7] = 1234.5f;
    f.doc.darkTable[1][20][9] = 98.5f;
    auto dlg = f.Open();
    Click(*dlg, 1050);
    QCOMPARE(f.dialogs.notices, std::vector<std::string>{"装置への書込みを完了しました"});
    QCOMPARE(f.lib->Counters(DeviceNumber(2)).writes, 0);
    const auto mem = *f.lib->Memory(DeviceNumber(5));
    QCOMPARE(mem.white[7], 1234.5f);
    QCOMPARE(mem.dark[20][9], 98.5f);

    f.dialogs.notices.clear();
    f.lib->UnplugAfterCommands(DeviceNumber(5), 289 * 21 + 100);
    Click(*dlg, 1050);
    QCOMPARE(f.dialogs.notices,
             std::vector<std::string>{"装置への書込みに失敗しました（波長）。装置の表は途中まで書き"
                                      "込まれている可能性があります"});
}

void SettingDialogTest::csvSaveWritesTheTableOrNamesTheFile() {
    Fixture f;
    auto dlg = f.Open();
    const std::filesystem::path plain = f.Path("table");
    const std::string bad = f.Path("no-such-folder/t.csv");
    f.dialogs.fileAnswers = {std::nullopt, plain.string(), bad};
    Click(*dlg, 1051);  // cancelled: nothing
    QVERIFY(!std::filesystem::exists(plain.string() + ".csv"));
    Click(*dlg, 1051);
    const std::string bytes = test::ReadFileBytes(plain.string() + ".csv");
    QCOMPARE(bytes, CalibrationCsvFile::Text(f.doc, 1));
    QCOMPARE(std::count(bytes.begin(), bytes.end(), '\n'), 288L);
    QVERIFY(f.dialogs.notices.empty());
    Click(*dlg, 1051);
    QCOMPARE(f.dialogs.notices.size(), size_t(1));
    QVERIFY(f.dialogs.notices[0].find(bad) != std::string::npos);
}

void SettingDialogTest::commandsRefuseWhileMeasuring() {
    Fixture f;
    auto dlg = f.Open();
    const auto gain = f.doc.gain[1];
    const auto dark = f.doc.darkTable[1];
    const auto wave = f.doc.wavelengthNm[1];
    f.view->state().measuring = true;
    for (int id : {1046, 1047, 1050, 1045, 1044, 1051}) Click(*dlg, id);
    C<QListWidget>(*dlg, 1042)->setCurrentRow(0);
    QCOMPARE(
        f.dialogs.notices,
        std::vector<std::string>(7, "計測中は実行できません。計測を停止してから実行してください"));
    QVERIFY(!dlg->DarkTimerActive());
    QVERIFY(f.dialogs.asked.size() == 7);  // no file dialog was opened
    QVERIFY(f.doc.gain[1] == gain);
    QVERIFY(std::memcmp(&f.doc.darkTable[1], &dark, sizeof dark) == 0);
    QVERIFY(f.doc.wavelengthNm[1] == wave);
    QCOMPARE(C<QListWidget>(*dlg, 1042)->currentRow(), -1);
    const auto c = f.lib->Counters(DeviceNumber(5));
    QCOMPARE(c.writes + c.spectra + c.setSerial + c.setCoefficients, 0);
}

}  // namespace
}  // namespace vmf

QTEST_MAIN(vmf::SettingDialogTest)
#include "test_setting_dialog.moc"
