#pragma once
// UserDialogs on the desktop: application-modal message boxes with Japanese
// button texts, and the platform's file and folder dialogs. Everything is
// parented to the given window (the main frame), so a box never hides behind
// it.

#include <QPointer>
#include <QWidget>

#include "app/UserDialogs.h"

namespace vmf {

class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
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
    std::optional<std::string> TakeScriptedAnswer();

    QPointer<QWidget> parent_;
    std::optional<std::string> scriptedAnswer_;
};

}  // namespace vmf
