#pragma once
// Every message box and file dialog of the program goes through this one
// interface: the GUI implements it with Qt's dialogs, tests script the answers.
// Texts are UTF-8.

#include <optional>
#include <string>

namespace vmf {

class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // A question with OK and Cancel; true only for OK.
    virtual bool AskOkCancel(const std::string& text) = 0;
    // A notice with OK only.
    virtual void Notify(const std::string& text) = 0;
    // An information box (completion of a procedure).
    virtual void Inform(const std::string& text) = 0;
    // Yes / No / Cancel question (the save prompt). Returns 1 yes, 0 no, -1 cancel.
    virtual int AskYesNoCancel(const std::string& text) = 0;
    // File dialogs: the chosen path, or nothing when cancelled. filter is in
    // Qt's "Description (*.ext)" form; startPath may be empty.
    virtual std::optional<std::string> OpenFileName(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& startPath) = 0;
    virtual std::optional<std::string> SaveFileName(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& startPath) = 0;
    virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                    const std::string& startPath) = 0;
};

}  // namespace vmf
