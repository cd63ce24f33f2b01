// The CSV options dialog: controls and ids, opening values, enabling rules,
// immediate reactions, the folder browser and the OK corrections.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "common/PanelOptions.h"
#include "csv/CSaveCSVDlg.h"
#include "fakes/ScriptedDialogs.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

// Remembers where the folder browser was asked to start.
class RecordingDialogs : public test::ScriptedDialogs {
public:
    std::vector<std::string> folderStarts;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& start) override {
        folderStarts.push_back(start);
        return ScriptedDialogs::ChooseFolder(title, start);
    }
};

class TestCsvDialog : public QObject {
    Q_OBJECT

    std::unique_ptr<Cvarnello_mfDoc> doc_;
    RecordingDialogs dialogs_;

    template <class T>
    static T* C(CSaveCSVDlg& d, int id) {
        T* w = qobject_cast<T*>(d.Control(id));
        if (!w) qFatal("control %d missing or of another kind", id);
        return w;
    }
    static void Type(CSaveCSVDlg& d, int id, const QString& text) {
        C<QLineEdit>(d, id)->setText(text);
    }
    static void ClickOk(CSaveCSVDlg& d) { QTest::mouseClick(C<QPushButton>(d, 1), Qt::LeftButton); }

private slots:
    void init() {
        doc_ = std::make_unique<Cvarnello_mfDoc>();
        doc_->headCount = 2;
        doc_->serialNo[0] = "SN-1001";
        doc_->serialNo[1] = "SN-1002";
        doc_->recordCount[0] = 5;
        doc_->recordCount[1] = 3;
        dialogs_ = RecordingDialogs();
    }

    void controlsCarryTheirCaptionsAndIds() {
        CSaveCSVDlg d(*doc_, dialogs_);
        d.show();
        QCOMPARE(d.windowTitle(), QStringLiteral("CSVファイル保存"));
        const std::pair<int, const char*> checks[] = {{1049, "温度データをつける"},
                                                      {1050, "露光時間データをつける"},
                                                      {1057, "波長データをつける"},
                                                      {1058, "データを縦方向に保存する"},
                                                      {1059, "データ取得時にファイルに保存する"}};
        for (auto [id, text] : checks)
            QCOMPARE(C<QCheckBox>(d, id)->text(), QString::fromUtf8(text));
        QCOMPARE(C<QRadioButton>(d, 1061)->text(), QStringLiteral("固定ファイル名"));
        QCOMPARE(C<QRadioButton>(d, 1062)->text(), QStringLiteral("時刻ファイル名"));
        QCOMPARE(C<QRadioButton>(d, 1064)->text(), QStringLiteral("データ番号ファイル名"));
        QCOMPARE(C<QLabel>(d, 1067)->text(), QStringLiteral("CSVファイル保存フォルダ"));
        QCOMPARE(C<QPushButton>(d, 1066)->text(), QStringLiteral("参照"));
        QCOMPARE(C<QPushButton>(d, 1)->text(), QStringLiteral("OK"));
        QCOMPARE(C<QPushButton>(d, 2)->text(), QStringLiteral("キャンセル"));
        for (int id : {1051, 1052, 1053, 1054, 1055, 1063, 1065}) QVERIFY(C<QLineEdit>(d, id));
        QComboBox* target = C<QComboBox>(d, 1068);
        QVERIFY(!target->isEditable());
        QCOMPARE(target->count(), 4);
        QCOMPARE(target->itemText(0), QStringLiteral("生データ"));
        QCOMPARE(target->itemText(1), QStringLiteral("反射/透過データ"));
        QCOMPARE(target->itemText(2), QStringLiteral("反射基準データ"));
        QCOMPARE(target->itemText(3), QStringLiteral("透過基準データ"));
        QComboBox* heads = C<QComboBox>(d, 1056);
        QVERIFY(!heads->isEditable());
        QCOMPARE(heads->count(), 2);
        QCOMPARE(heads->itemText(1), QStringLiteral("SN-1002"));
    }

    void everyOpeningPresetsHeadZeroAndAllRecords() {
        PanelOptions o;
        o.csvStartNm = 400;
        o.csvEndNm = 700;
        o.csvStepNm = 5;
        o.csvAddTemp = 0;
        o.csvVertical = 0;
        o.csvTarget = 3;
        o.fixedFileName = "run.csv";
        o.saveFolder = "/data/csv";
        o.autoSaveNaming = 2;
        CSaveCSVDlg d(*doc_, dialogs_);
        for (int opening = 0; opening < 2; ++opening) {
            d.LoadFromOptions(o);
            d.show();
            QCOMPARE(C<QLineEdit>(d, 1051)->text(), QStringLiteral("400"));
            QCOMPARE(C<QLineEdit>(d, 1052)->text(), QStringLiteral("700"));
            QCOMPARE(C<QLineEdit>(d, 1053)->text(), QStringLiteral("5"));
            QCOMPARE(C<QLineEdit>(d, 1054)->text(), QStringLiteral("1"));
            QCOMPARE(C<QLineEdit>(d, 1055)->text(), QStringLiteral("5"));
            QCOMPARE(C<QComboBox>(d, 1056)->currentIndex(), 0);
            QCOMPARE(C<QComboBox>(d, 1068)->currentIndex(), 3);
            QVERIFY(!C<QCheckBox>(d, 1049)->isChecked());
            QVERIFY(C<QCheckBox>(d, 1050)->isChecked());
            QVERIFY(!C<QCheckBox>(d, 1058)->isChecked());
            QCOMPARE(C<QLineEdit>(d, 1063)->text(), QStringLiteral("run.csv"));
            QCOMPARE(C<QLineEdit>(d, 1065)->text(), QStringLiteral("/data/csv"));
            QVERIFY(C<QRadioButton>(d, 1064)->isChecked());
            // The operator picks head 2 and other numbers, then cancels.
            C<QComboBox>(d, 1056)->setCurrentIndex(1);
            QCOMPARE(d.csvHead, 1);
            Type(d, 1054, "3");
            d.reject();
        }
    }

    void enablingFollowsAutomaticSaving() {
        CSaveCSVDlg d(*doc_, dialogs_);
        d.LoadFromOptions(PanelOptions{});
        d.show();
        const int autoIds[] = {1061, 1062, 1064, 1063, 1065, 1066, 1067};
        auto check = [&](bool on) {
            for (int id : autoIds) QCOMPARE(d.Control(id)->isEnabled(), on);
            QCOMPARE(d.Control(1054)->isEnabled(), !on);
            QCOMPARE(d.Control(1055)->isEnabled(), !on);
            for (int id : {1049, 1050, 1057, 1058, 1068, 1051, 1052, 1053, 1056, 1059})
                QVERIFY(d.Control(id)->isEnabled());
        };
        check(false);
        QVERIFY(C<QRadioButton>(d, 1061)->isChecked());
        C<QCheckBox>(d, 1059)->click();
        QVERIFY(d.autoSaveOn);
        check(true);
        C<QRadioButton>(d, 1062)->click();
        QCOMPARE(d.autoSaveNaming, 1);
        QVERIFY(!C<QRadioButton>(d, 1061)->isChecked());
        QVERIFY(C<QRadioButton>(d, 1062)->isChecked());
        // Clicking the selected one again keeps it selected.
        C<QRadioButton>(d, 1062)->click();
        QVERIFY(C<QRadioButton>(d, 1062)->isChecked());
        C<QRadioButton>(d, 1064)->click();
        QCOMPARE(d.autoSaveNaming, 2);
        QVERIFY(!C<QRadioButton>(d, 1062)->isChecked());
        C<QCheckBox>(d, 1049)->click();
        QVERIFY(!d.csvAddTemp);
        C<QCheckBox>(d, 1050)->click();
        QVERIFY(!d.csvAddExposure);
        C<QCheckBox>(d, 1059)->click();
        QVERIFY(!d.autoSaveOn);
        check(false);
        // A naming mode out of range selects no radio button.
        d.autoSaveNaming = 7;
        d.hide();
        d.show();
        for (int id : {1061, 1062, 1064}) QVERIFY(!C<QRadioButton>(d, id)->isChecked());
    }

    void okCorrectsTheEntries() {
        struct Case {
            const char *start, *end, *first, *last, *name;
            int wantStart, wantEnd, wantFirst, wantEnd1;
            const char* wantName;
        } cases[] = {
            {"300", "900", "1", "10", "output", 340, 850, 0, 5, "output.csv"},
            {"900", "abc", "8", "10", "X.CSV", 850, 850, 4, 5, "X.CSV"},
        };
        for (const Case& c : cases) {
            CSaveCSVDlg d(*doc_, dialogs_);
            d.LoadFromOptions(PanelOptions{});
            d.show();
            Type(d, 1051, c.start);
            Type(d, 1052, c.end);
            Type(d, 1054, c.first);
            Type(d, 1055, c.last);
            Type(d, 1063, c.name);
            Type(d, 1065, "/typed/folder");
            C<QCheckBox>(d, 1058)->setChecked(false);
            C<QComboBox>(d, 1068)->setCurrentIndex(2);
            ClickOk(d);
            QCOMPARE(d.result(), int(QDialog::Accepted));
            QCOMPARE(d.csvStartNm, c.wantStart);
            QCOMPARE(d.csvEndNm, c.wantEnd);
            QCOMPARE(d.firstDataNumber, c.wantFirst);
            QCOMPARE(d.endDataNumber, c.wantEnd1);
            QCOMPARE(QString::fromStdString(d.fixedFileName), QString::fromUtf8(c.wantName));
            QCOMPARE(QString::fromStdString(d.saveFolder), QStringLiteral("/typed/folder"));
            QVERIFY(!d.csvVertical);
            QCOMPARE(d.csvTarget, 2);
            PanelOptions back;
            d.StoreIntoOptions(back);
            QCOMPARE(back.csvVertical, 0);
            QCOMPARE(back.csvTarget, 2);
        }
    }

    void recordRangeUsesTheChosenHead() {
        CSaveCSVDlg d(*doc_, dialogs_);
        d.LoadFromOptions(PanelOptions{});
        d.autoSaveOn = true;  // the disabled numbers are still corrected
        d.show();
        C<QComboBox>(d, 1056)->setCurrentIndex(1);  // 3 records
        Type(d, 1055, "5");
        ClickOk(d);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.csvHead, 1);
        QCOMPARE(d.firstDataNumber, 0);
        QCOMPARE(d.endDataNumber, 3);
    }

    void noHeadsGiveAnEmptyList() {
        Cvarnello_mfDoc empty;
        CSaveCSVDlg d(empty, dialogs_);
        d.LoadFromOptions(PanelOptions{});
        d.show();
        QCOMPARE(C<QComboBox>(d, 1056)->count(), 0);
        QCOMPARE(C<QLineEdit>(d, 1055)->text(), QStringLiteral("0"));
        ClickOk(d);
        QCOMPARE(d.csvHead, 0);
        QVERIFY(d.firstDataNumber < 0 || d.firstDataNumber >= d.endDataNumber);
    }

    void aStepBelowOneIsRefused() {
        CSaveCSVDlg d(*doc_, dialogs_);
        d.LoadFromOptions(PanelOptions{});
        d.show();
        Type(d, 1051, "300");
        Type(d, 1053, "0");
        ClickOk(d);
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(dialogs_.notices.size(), size_t(1));
        QCOMPARE(d.csvStartNm, 340);  // nothing taken over
        Type(d, 1053, "1");
        ClickOk(d);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.csvStepNm, 1);
        QCOMPARE(d.csvStartNm, 340);
    }

    void folderBrowser() {
        CSaveCSVDlg d(*doc_, dialogs_);
        PanelOptions o;
        o.autoSaveOn = 1;
        o.saveFolder = "/start/here";
        d.LoadFromOptions(o);
        d.show();
        QPushButton* browse = C<QPushButton>(d, 1066);
        dialogs_.fileAnswers = {std::nullopt, std::string("/chosen/dir/"), std::string("/"),
                                std::string("/") + std::string(300, 'x')};
        QTest::mouseClick(browse, Qt::LeftButton);  // cancelled
        QCOMPARE(QString::fromStdString(d.saveFolder), QStringLiteral("/start/here"));
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(QString::fromStdString(d.saveFolder), QStringLiteral("/chosen/dir"));
        QCOMPARE(C<QLineEdit>(d, 1065)->text(), QStringLiteral("/chosen/dir"));
        QTest::mouseClick(browse, Qt::LeftButton);  // the root loses its separator too
        QCOMPARE(QString::fromStdString(d.saveFolder), QString());
        d.saveFolder = "/kept";
        QTest::mouseClick(browse, Qt::LeftButton);  // too long: ignored
        QCOMPARE(QString::fromStdString(d.saveFolder), QStringLiteral("/kept"));
        QCOMPARE(C<QLineEdit>(d, 1065)->text(), QStringLiteral("/kept"));
        QCOMPARE(dialogs_.folderStarts.front(), std::string("/start/here"));
        QCOMPARE(dialogs_.asked.front(), std::string("Select Folder"));
    }

    void rendersWithoutOverlap() {
        CSaveCSVDlg d(*doc_, dialogs_);
        d.LoadFromOptions(PanelOptions{});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        const QString out = qEnvironmentVariable("VMF_CSV_DIALOG_PNG");
        if (!out.isEmpty()) d.grab().save(out);
        // Controls of the same parent never overlap.
        for (QWidget* parent : d.findChildren<QWidget*>()) {
            QList<QWidget*> kids;
            for (QWidget* w : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (w->isVisible()) kids << w;
            for (int i = 0; i < kids.size(); ++i)
                for (int j = i + 1; j < kids.size(); ++j)
                    QVERIFY2(!kids[i]->geometry().intersects(kids[j]->geometry()),
                             qPrintable(kids[i]->objectName() + " / " + kids[j]->objectName()));
        }
    }
};

}  // namespace vmf

QTEST_MAIN(vmf::TestCsvDialog)
#include "test_csv_dialog.moc"
