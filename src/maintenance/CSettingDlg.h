#pragma once
// "Setting": the maintenance dialog that shows one head's calibration table
// (the head selected in the panel when it opens) and runs the service
// commands on it: serial and wavelength polynomial from a coefficient list,
// initialising, the 21-step dark table, the gain, writing the table into the
// head and saving it as CSV. Every change goes straight into the store (and,
// for the write commands, into the head); closing undoes nothing.
//
// The caller sets coefficientListPath, runs exec() and reads the path back.
// The opening work (table, gain shapes, list file) runs when the dialog is
// first shown, so a caller or test may also show() it without a modal loop.
//
// While an acquisition runs the commands that touch the head or its table
// refuse with a message instead of sharing them with the worker; while the
// dark procedure runs, everything but restarting it, saving the CSV and
// loading a list is disabled. Each control carries its id in "ctrlId".

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "maintenance/CoefficientListFile.h"
#include "maintenance/DarkTableProcedure.h"
#include "maintenance/GainProcedure.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace vmf {

class Cvarnello_mfView;
class Cvarnello_mfDoc;
class DeviceLibrary;
class UserDialogs;

class CSettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingDlg(Cvarnello_mfView& view, QWidget* parent = nullptr);
    ~CSettingDlg() override;

    // Path of the coefficient list file (UTF-8). Set by the caller before
    // exec() and read back after it closes; choosing a file updates it.
    std::string coefficientListPath;

    // The control with this id (1041..1051), or nullptr.
    QWidget* Control(int id) const;

    // --- Test seams ------------------------------------------------------
    // Runs the dark timer's handler as if it fired; false when not running.
    bool FireDarkTimer();
    bool DarkTimerActive() const;
    const DarkTableProcedure& darkProcedure() const { return dark_; }
    const std::vector<CoefficientEntry>& coefficientList() const { return coefficientList_; }
    const GainShapes& gainShapes() const { return shapes_; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void BuildControls();
    void OnInitDialog();
    void ShowCalibrationTable(int a);
    void LoadCoefficientList();
    void UpdateEnabling();
    bool HeadPresent() const;
    int Head() const;
    DeviceNumber Device() const;
    bool RefuseWhileMeasuring();
    void StopDark();

    void OnListSelect(int row);
    void OnFile();
    void OnSet();
    void OnInitialise();
    void OnDark();
    void OnDarkTimer();
    void OnGain();
    void OnWrite();
    void OnSaveCsv();

    Cvarnello_mfView& parentView_;
    Cvarnello_mfDoc& doc_;
    DeviceLibrary& devices_;
    UserDialogs& dialogs_;

    std::vector<CoefficientEntry> coefficientList_;
    GainShapes shapes_;
    DarkTableProcedure dark_;
    bool opened_ = false;
    bool filling_ = false;  // list 1042 is being refilled: selection changes are not choices

    QListWidget* serialList_ = nullptr;  // 1042
    QListWidget* table_ = nullptr;       // 1041
    QLabel* heading_ = nullptr;
    QPushButton* fileButton_ = nullptr;   // 1043
    QPushButton* setButton_ = nullptr;    // 1044
    QPushButton* initButton_ = nullptr;   // 1045
    QPushButton* darkButton_ = nullptr;   // 1046
    QPushButton* gainButton_ = nullptr;   // 1047
    QPushButton* writeButton_ = nullptr;  // 1050
    QPushButton* csvButton_ = nullptr;    // 1051
    QTimer* darkTimer_ = nullptr;         // timer 1, 100 ms single shot
};

}  // namespace vmf
