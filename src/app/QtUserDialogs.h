#pragma once
// UserDialogs on the desktop: application-modal message boxes with Japanese
// button texts, and the platform's file and folder dialogs. Everything is
// parented to the given window (the main frame), so a box never hides behind
// it. File dialogs start in the folder last used for their kind of file
// (known by the dialog's filter) and remember the folder chosen.

#include <QPointer>
#include <QWidget>

#include "common/PanelOptions.h"
#include "common/UserDialogs.h"

namespace vmf {

class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    // The remembered folders (owned by the caller, kept across runs through
    // the settings); without them dialogs start where the caller says.
    void SetFolders(RecentFolders* folders) { folders_ = folders; }
    // The next file or folder dialog returns path without showing itself
    // (the test script's File Save As).
    void AnswerNextFileDialog(std::string path) { scriptedAnswer_ = std::move(path); }

    bool AskOkCancel(const std::string& text) override;
    void Notify(const std::string& text) override;
    void Inform(const std::string& text) override;
    int AskYesNoCancel(const std::string& text) override;
    std::optional<std::string> OpenFileName(const std::string& title, const std::string& filter,
                                            const std::string& startPath) override;
    std::optional<std::string> SaveFileName(const std::string& title, const std::string& filter,
                                            const std::string& startPath) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& startPath) override;

private:
    std::string StartPath(int op, const std::string& filter, const std::string& callerPath);
    std::optional<std::string> Remember(int op, const std::string& filter,
                                        std::optional<std::string> chosen);
    std::optional<std::string> TakeScriptedAnswer();

    QPointer<QWidget> parent_;
    RecentFolders* folders_ = nullptr;
    std::optional<std::string> scriptedAnswer_;
};

}  // namespace vmf
