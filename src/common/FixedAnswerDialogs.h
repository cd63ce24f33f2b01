#pragma once
// A UserDialogs for places without a window (the command line tool, a panel
// built without dialogs): every OK/Cancel question gets one fixed answer,
// file dialogs are cancelled, and notices are kept so a caller can report
// the last one.

#include <optional>
#include <string>
#include <vector>

#include "common/UserDialogs.h"

namespace vmf {

class FixedAnswerDialogs : public UserDialogs {
public:
    // okAnswer: what AskOkCancel returns; AskYesNoCancel gives 0 (No) when
    // OK is the answer, -1 (Cancel) otherwise.
    explicit FixedAnswerDialogs(bool okAnswer) : ok_(okAnswer) {}

    std::vector<std::string> notices;  // Notify and Inform texts, in order

    bool AskOkCancel(const std::string&) override { return ok_; }
    void Notify(const std::string& text) override { notices.push_back(text); }
    void Inform(const std::string& text) override { notices.push_back(text); }
    int AskYesNoCancel(const std::string&) override { return ok_ ? 0 : -1; }
    std::optional<std::string> OpenFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override {
        return std::nullopt;
    }

private:
    bool ok_;
};

}  // namespace vmf
