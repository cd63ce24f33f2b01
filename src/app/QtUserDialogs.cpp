#include "app/QtUserDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include "app/RecentFolders.h"
#include "common/DocumentNaming.h"
#include "maintenance/MaintenanceTexts.h"
#include "panel/BrowseController.h"
#include "panel/PanelCommands.h"

namespace vmf {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Runs one box. The standard buttons get the texts a Japanese desktop shows,
// whatever translation Qt has (or lacks) at run time.
QMessageBox::StandardButton RunBox(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
                                   QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton def) {
    QMessageBox box(icon, QString::fromUtf8(kAppTitle), Q(text), buttons, parent);
    box.setDefaultButton(def);
    const std::pair<QMessageBox::StandardButton, const char*> texts[] = {
        {QMessageBox::Ok, "OK"},
        {QMessageBox::Cancel, "キャンセル"},
        {QMessageBox::Yes, "はい(&Y)"},
        {QMessageBox::No, "いいえ(&N)"},
    };
    for (const auto& [which, caption] : texts)
        if (QAbstractButton* b = box.button(which)) b->setText(QString::fromUtf8(caption));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

enum DialogOp { kOpen, kSave, kFolder };

// The kind of file a dialog is for, by its filter: every dialog of the
// program passes one of these. Nothing for a filter not listed here.
std::optional<FileKind> KindOf(int op, const std::string& filter) {
    struct Row {
        int op;
        const char* filter;
        FileKind kind;
    };
    const Row rows[] = {
        {kOpen, kDataFileFilter, FileKind::DataFile},
        {kSave, kDataFileFilter, FileKind::DataFile},
        {kOpen, kCompareFileFilter, FileKind::CompareFile},
        {kSave, kCsvSaveFilter, FileKind::Csv},  // the calibration table's CSV too
        {kOpen, mnt::kCsvFilter, FileKind::CoefficientList},
    };
    if (op == kFolder) return FileKind::AutoSaveFolder;
    for (const Row& r : rows)
        if (r.op == op && filter == r.filter) return r.kind;
    return std::nullopt;
}

// Qt's dialogs give '/' on every platform; the program shows and keeps
// paths as the platform writes them.
std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(path).toStdString();
}

}  // namespace

std::optional<std::string> QtUserDialogs::TakeScriptedAnswer() {
    std::optional<std::string> answer = std::move(scriptedAnswer_);
    scriptedAnswer_.reset();
    return answer;
}

bool QtUserDialogs::AskOkCancel(const std::string& text) {
    return RunBox(parent_, QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel,
                  QMessageBox::Ok) == QMessageBox::Ok;
}

void QtUserDialogs::Notify(const std::string& text) {
    RunBox(parent_, QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtUserDialogs::Inform(const std::string& text) {
    RunBox(parent_, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

int QtUserDialogs::AskYesNoCancel(const std::string& text) {
    switch (RunBox(parent_, QMessageBox::Warning, text,
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return 1;
        case QMessageBox::No:
            return 0;
        default:
            return -1;  // Cancel, Esc and the close box
    }
}

std::string QtUserDialogs::StartPath(int op, const std::string& filter,
                                     const std::string& callerPath) {
    const auto kind = KindOf(op, filter);
    if (!folders_ || !kind) return callerPath;
    // The documents folder may not exist on a bare Linux account: home then.
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QDir(documents).exists()) documents = QDir::homePath();
    return FolderStartPath(*folders_, *kind, callerPath,
                           QDir::toNativeSeparators(documents).toStdString());
}

std::optional<std::string> QtUserDialogs::Remember(int op, const std::string& filter,
                                                   std::optional<std::string> chosen) {
    const auto kind = KindOf(op, filter);
    if (folders_ && kind && chosen) RememberFolder(*folders_, *kind, *chosen);
    return chosen;
}

std::optional<std::string> QtUserDialogs::OpenFileName(const std::string& title,
                                                       const std::string& filter,
                                                       const std::string& startPath) {
    if (auto answer = TakeScriptedAnswer()) return answer;
    const QString start = Q(StartPath(kOpen, filter, startPath));
    return Remember(kOpen, filter,
                    Chosen(QFileDialog::getOpenFileName(parent_, Q(title), start, Q(filter))));
}

std::optional<std::string> QtUserDialogs::SaveFileName(const std::string& title,
                                                       const std::string& filter,
                                                       const std::string& startPath) {
    if (auto answer = TakeScriptedAnswer()) return answer;
    const QString start = Q(StartPath(kSave, filter, startPath));
    return Remember(kSave, filter,
                    Chosen(QFileDialog::getSaveFileName(parent_, Q(title), start, Q(filter))));
}

std::optional<std::string> QtUserDialogs::ChooseFolder(const std::string& title,
                                                       const std::string& startPath) {
    if (auto answer = TakeScriptedAnswer()) return answer;
    const QString start = Q(StartPath(kFolder, {}, startPath));
    return Remember(kFolder, {},
                    Chosen(QFileDialog::getExistingDirectory(parent_, Q(title), start)));
}

}  // namespace vmf
