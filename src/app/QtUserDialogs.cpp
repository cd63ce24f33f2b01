#include "app/QtUserDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/DocumentNaming.h"

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

std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
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

std::optional<std::string> QtUserDialogs::OpenFileName(const std::string& title,
                                                       const std::string& filter,
                                                       const std::string& startPath) {
    if (auto answer = TakeScriptedAnswer()) return answer;
    return Chosen(QFileDialog::getOpenFileName(parent_, Q(title), Q(startPath), Q(filter)));
}

std::optional<std::string> QtUserDialogs::SaveFileName(const std::string& title,
                                                       const std::string& filter,
                                                       const std::string& startPath) {
    if (auto answer = TakeScriptedAnswer()) return answer;
    return Chosen(QFileDialog::getSaveFileName(parent_, Q(title), Q(startPath), Q(filter)));
}

std::optional<std::string> QtUserDialogs::ChooseFolder(const std::string& title,
                                                       const std::string& startPath) {
    if (auto answer = TakeScriptedAnswer()) return answer;
    return Chosen(QFileDialog::getExistingDirectory(parent_, Q(title), Q(startPath)));
}

}  // namespace vmf
