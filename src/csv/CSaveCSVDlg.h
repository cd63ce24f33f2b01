#pragma once
// "CSVファイル保存": the modal dialog in which the operator sets every option
// of the CSV writer and of automatic saving. The caller fills the members
// (LoadFromOptions does it from the panel's settings), runs exec(), and on
// QDialog::Accepted reads them back (StoreIntoOptions); on Cancel they mean
// nothing. The dialog writes no file and touches no setting itself.
//
// Each control carries its numeric id in the Qt property "ctrlId".

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vmf {

class Cvarnello_mfDoc;
class UserDialogs;
struct PanelOptions;

class CSaveCSVDlg : public QDialog {
    Q_OBJECT
public:
    // doc gives the head list and record counters; dialogs shows the folder
    // browser and the refusal of an unusable wavelength step.
    CSaveCSVDlg(const Cvarnello_mfDoc& doc, UserDialogs& dialogs, QWidget* parent = nullptr);

    // --- Members: set before exec(), meaningful after Accepted -------------
    int csvStartNm = 340;     // nm; after OK within 340..850
    int csvEndNm = 850;       // nm; after OK within csvStartNm..850
    int csvStepNm = 10;       // nm; after OK at least 1
    int firstDataNumber = 1;  // shown 1-based; after OK the 0-based first record
    int endDataNumber = 0;    // shown as the last record (1-based); after OK one past it
    int csvHead = 0;          // head slot chosen in the head list
    bool csvAddTemp = true;
    bool csvAddExposure = true;
    bool csvVertical = true;
    bool csvAddWave = true;
    bool autoSaveOn = false;
    int autoSaveNaming = 0;                // 0 fixed, 1 time, 2 data-number name
    std::string fixedFileName = "output";  // UTF-8; after OK ends in ".csv"
    std::string saveFolder;                // UTF-8
    int csvTarget = 0;                     // 0..3, the "保存対象" list

    // Presets the members as every opening does: the stored options, head
    // slot 0, and the data numbers 1 to the record counter of head 0.
    void LoadFromOptions(const PanelOptions& options);
    // Copies the persisted members back (csvHead and the range are not
    // settings; the caller takes them from the members).
    void StoreIntoOptions(PanelOptions& options) const;

    // The control with the given id, for the caller's tests.
    QWidget* Control(int id) const;

    // OK: reads and corrects the entries, or refuses with a message.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void InitDialog();
    void ApplyEnabling();
    void OnBrowseFolder();

    const Cvarnello_mfDoc& doc_;
    UserDialogs& dialogs_;

    QCheckBox* addTemp_ = nullptr;        // 1049
    QCheckBox* addExposure_ = nullptr;    // 1050
    QCheckBox* addWave_ = nullptr;        // 1057
    QCheckBox* vertical_ = nullptr;       // 1058
    QComboBox* target_ = nullptr;         // 1068
    QLineEdit* startNm_ = nullptr;        // 1051
    QLineEdit* endNm_ = nullptr;          // 1052
    QLineEdit* stepNm_ = nullptr;         // 1053
    QLineEdit* firstData_ = nullptr;      // 1054
    QLineEdit* endData_ = nullptr;        // 1055
    QComboBox* head_ = nullptr;           // 1056
    QCheckBox* autoSave_ = nullptr;       // 1059
    QRadioButton* fixedName_ = nullptr;   // 1061
    QRadioButton* timeName_ = nullptr;    // 1062
    QRadioButton* numberName_ = nullptr;  // 1064
    QLineEdit* fileName_ = nullptr;       // 1063
    QLabel* folderLabel_ = nullptr;       // 1067
    QLineEdit* folder_ = nullptr;         // 1065
    QPushButton* browse_ = nullptr;       // 1066
    QPushButton* ok_ = nullptr;           // 1
    QPushButton* cancel_ = nullptr;       // 2
    bool initialising_ = false;
};

}  // namespace vmf
