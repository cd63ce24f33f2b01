#pragma once
// The panel's commands on recorded data and its doors to the maintenance
// dialogs: CSV save (1052), data clear (1042), maintenance mode and button
// (1041), and the mirror dialog from a double-click in the device list (1004).
// Constructed by the panel after its controls exist; connects those controls
// itself. GUI thread only.

#include <QObject>
#include <QString>
#include <functional>

namespace vmf {

class CSaveCSVDlg;
class CSetMirrorDlg;
class CSettingDlg;
class Cvarnello_mfView;

// Captions of the CSV button after the options dialog's OK.
inline constexpr const char* kCsvCaptionAuto = "CSV保存(AUTO)";
inline constexpr const char* kCsvCaption = "CSV保存";
// The file dialog of the CSV button.
inline constexpr const char* kCsvSaveTitle = "名前を付けて保存";
inline constexpr const char* kCsvSaveFilter = "csv file (*.csv)";
// The data clear questions.
inline constexpr const char* kNothingToClear = "削除するデータはありません";
inline constexpr const char* kAskClear = "データを削除していいですか？";
// The setting that keeps the maintenance dialog's coefficient list file.
inline constexpr const char* kCoefficientListSection = "comp";
inline constexpr const char* kCoefficientListKey = "list";

class PanelCommands : public QObject {
    Q_OBJECT
public:
    explicit PanelCommands(Cvarnello_mfView& view);
    ~PanelCommands() override;

    // 1052: the CSV options dialog preset from the panel's options (data
    // numbers 1 to recordCount[0], head 0). OK stores the options, the CSV
    // head (also for the automatic save) and the caption, then writes a file
    // through a save dialog when CsvFileWantedNow says so. A file that cannot
    // be written is told with its name and the reason.
    void OnCsvButton();
    // 1042: asks, then empties every record of every head; heads, their
    // calibration, references, history and the comparison file stay. The
    // store is marked modified, since it no longer matches its file.
    void OnClearData();
    // The frame's "ハードウェア調整作業": flips maintenanceMode, lays the panel
    // out at once (button 1041 appears or goes) and redraws the graph.
    void OnToggleMaintenanceMode();
    // 1041: the calibration-table dialog with the coefficient list path from
    // the settings; afterwards the path goes back and every head's dark model
    // is derived again, so a changed dark table takes effect.
    void OnMaintenanceButton();
    // 1004: an entry whose text contains "M-MIRROR" opens the mirror dialog,
    // when detection found a mirror unit; any other entry does nothing.
    void OnDeviceListDoubleClick();

    // --- Test seams: replace the modal runs --------------------------------
    // Gets the preset CSV dialog; returns true for OK (the dialog's members
    // then hold the corrected values, as after exec()).
    void SetCsvDialogRunner(std::function<bool(CSaveCSVDlg&)> runner) {
        csvRunner_ = std::move(runner);
    }
    void SetSettingDialogRunner(std::function<void(CSettingDlg&)> runner) {
        settingRunner_ = std::move(runner);
    }
    void SetMirrorDialogRunner(std::function<void(CSetMirrorDlg&)> runner) {
        mirrorRunner_ = std::move(runner);
    }

private:
    void WriteCsvNow(const CSaveCSVDlg& dlg);

    Cvarnello_mfView& view_;
    std::function<bool(CSaveCSVDlg&)> csvRunner_;
    std::function<void(CSettingDlg&)> settingRunner_;
    std::function<void(CSetMirrorDlg&)> mirrorRunner_;
};

}  // namespace vmf
