#include "panel/PanelCommands.h"

#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <string>

#include "acquire/AcquisitionController.h"
#include "common/DocumentNaming.h"
#include "common/FileWork.h"
#include "common/PanelOptions.h"
#include "common/UserDialogs.h"
#include "csv/CSaveCSVDlg.h"
#include "csv/CsvWriter.h"
#include "maintenance/CSetMirrorDlg.h"
#include "maintenance/CSettingDlg.h"
#include "maintenance/MaintenanceTexts.h"
#include "panel/CsvCommandRules.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

namespace {

int HeadCount(const Cvarnello_mfDoc& doc) { return std::clamp(doc.headCount, 0, MAX_HEADS); }

}  // namespace

PanelCommands::PanelCommands(Cvarnello_mfView& view) : QObject(&view), view_(view) {
    if (auto* csv = qobject_cast<QPushButton*>(view_.Control(ctl::Csv)))
        connect(csv, &QPushButton::clicked, this, &PanelCommands::OnCsvButton);
    if (auto* clear = qobject_cast<QPushButton*>(view_.Control(ctl::ClearData)))
        connect(clear, &QPushButton::clicked, this, &PanelCommands::OnClearData);
    if (auto* maintenance = qobject_cast<QPushButton*>(view_.Control(ctl::Maintenance)))
        connect(maintenance, &QPushButton::clicked, this, &PanelCommands::OnMaintenanceButton);
    if (auto* devices = qobject_cast<QListWidget*>(view_.Control(ctl::DeviceList))) {
        connect(devices, &QListWidget::itemDoubleClicked, this,
                [this](QListWidgetItem*) { OnDeviceListDoubleClick(); });
    }
}

PanelCommands::~PanelCommands() = default;

// --- CSV save -----------------------------------------------------------------

void PanelCommands::OnCsvButton() {
    // The button is disabled while measuring; the store's working slots are
    // the worker's then.
    UserDialogs* dialogs = view_.context().dialogs;
    if (view_.IsMeasuring() || !dialogs || view_.RefuseDuringFileWork()) return;

    CSaveCSVDlg dlg(view_.doc(), *dialogs, &view_);
    dlg.LoadFromOptions(view_.options());
    const bool ok = csvRunner_ ? csvRunner_(dlg) : dlg.exec() == QDialog::Accepted;
    if (!ok) return;

    PanelOptions& options = view_.options();
    dlg.StoreIntoOptions(options);
    view_.acquisition().csvHead = dlg.csvHead;
    qobject_cast<QPushButton*>(view_.Control(ctl::Csv))
        ->setText(QString::fromUtf8(options.autoSaveOn ? kCsvCaptionAuto : kCsvCaption));

    const PanelState& state = view_.state();
    CsvSaveNow rule;
    rule.autoSaveOn = options.autoSaveOn != 0;
    rule.selectedHead = state.selectedHead;
    rule.selectedHeadRecords = state.selectedHead >= 0 && state.selectedHead < MAX_HEADS
                                   ? view_.doc().recordCount[state.selectedHead]
                                   : 0;
    rule.firstRecord = dlg.firstDataNumber;
    rule.endRecord = dlg.endDataNumber;
    rule.target = options.csvTarget;
    if (CsvFileWantedNow(rule)) WriteCsvNow(dlg);
}

void PanelCommands::WriteCsvNow(const CSaveCSVDlg& dlg) {
    UserDialogs& dialogs = *view_.context().dialogs;
    std::optional<std::string> chosen = dialogs.SaveFileName(kCsvSaveTitle, kCsvSaveFilter, "");
    if (!chosen || chosen->empty()) return;
    const std::string path = WithDefaultExtension(*chosen, "csv");

    const PanelOptions& o = view_.options();
    // The worker prepares the records in a workspace of its own: the graph
    // goes on painting from the panel's while the file is written. The
    // store's processed spectra of those records are rewritten meanwhile;
    // nothing on the GUI thread reads them until the work is done.
    SpectrumWorkspace ws = view_.workspace();
    CsvWriter writer(view_.doc(), ws, view_.Processing(), o.csvTarget);
    std::string error;
    bool written = false;
    bool cancelled = false;
    if (!view_.fileWork().Run(
            FileJobCaption(kWritingCaption, FileNameOf(path)), [&](FileProgress& progress) {
                writer.SetProgress(&progress);
                written = writer.WriteCsvFile(path, dlg.firstDataNumber, dlg.endDataNumber,
                                              dlg.csvHead, o.csvAddTemp != 0, o.csvAddWave != 0,
                                              o.csvAddExposure != 0, o.csvVertical != 0,
                                              o.csvStartNm, o.csvEndNm, o.csvStepNm, error);
                cancelled = progress.Cancelled();
            })) {
        dialogs.Notify(kFileWorkRunning);
        return;
    }
    view_.workspace() = ws;
    // Writing records leaves the grid arrays on the last record written; the
    // graph must go on showing the record the position field names.
    if (o.csvTarget < CSV_TARGET_WHITE) view_.ReprocessDisplayed();
    // The operator would otherwise believe the records were saved; a cancel
    // was the operator's own.
    if (!written && !cancelled) dialogs.Notify(error);
}

// --- Data clear -------------------------------------------------------------------

void PanelCommands::OnClearData() {
    UserDialogs* dialogs = view_.context().dialogs;
    if (view_.IsMeasuring() || !dialogs || view_.RefuseDuringFileWork()) return;
    Cvarnello_mfDoc& doc = view_.doc();
    if (doc.recordCount[0] == 0) {
        dialogs->Notify(kNothingToClear);
        return;
    }
    if (!dialogs->AskOkCancel(kAskClear)) return;

    doc.ClearRecords();
    view_.ForgetDisplayedRecords();
    doc.SetModifiedFlag(true);
    view_.StartFullRepaint();
}

// --- Maintenance --------------------------------------------------------------------

void PanelCommands::OnToggleMaintenanceMode() {
    int& mode = view_.options().maintenanceMode;
    mode = mode != 0 ? 0 : 1;
    // At once rather than at the next resize: the operator switched the mode
    // to reach button 1041.
    view_.LayoutPanel(view_.height());
    view_.DrawGraph();
}

void PanelCommands::OnMaintenanceButton() {
    // Opening shows the table, dark step 20 included, which the acquisition
    // worker rewrites with every record: the dialog waits for the stop.
    if (view_.IsMeasuring()) {
        if (UserDialogs* dialogs = view_.context().dialogs) dialogs->Notify(mnt::kRefuseMeasuring);
        return;
    }
    if (view_.RefuseDuringFileWork()) return;
    SettingsBackend* settings = view_.context().settings;
    CSettingDlg dlg(view_, &view_);
    dlg.coefficientListPath =
        settings ? settings->ReadString(kCoefficientListSection, kCoefficientListKey, "") : "";
    if (settingRunner_) {
        settingRunner_(dlg);
    } else {
        dlg.exec();
    }
    // Whatever closed the dialog.
    if (settings)
        settings->WriteString(kCoefficientListSection, kCoefficientListKey,
                              dlg.coefficientListPath);
    Cvarnello_mfDoc& doc = view_.doc();
    for (int a = 0; a < HeadCount(doc); ++a) view_.workspace().DeriveDarkModel(doc, a);
}

// --- Mirror -------------------------------------------------------------------------

void PanelCommands::OnDeviceListDoubleClick() {
    auto* list = qobject_cast<QListWidget*>(view_.Control(ctl::DeviceList));
    if (!list) return;
    QListWidgetItem* item = list->currentItem();
    if (!item || !item->isSelected()) return;
    if (!item->text().contains(QStringLiteral("M-MIRROR"))) return;
    // Without a mirror unit from detection the dialog would have nowhere to
    // send its positions.
    if (!view_.state().mirrorDevice || !view_.context().devices) return;
    CSetMirrorDlg dlg(view_, &view_);
    if (mirrorRunner_) {
        mirrorRunner_(dlg);
    } else {
        dlg.exec();
    }
}

}  // namespace vmf
