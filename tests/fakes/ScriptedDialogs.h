#pragma once
// A UserDialogs that answers from a script and records what was asked, so
// tests can drive every question and notice without a window.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/UserDialogs.h"

namespace vmf::test {

class ScriptedDialogs : public UserDialogs {
public:
    std::deque<bool> okCancelAnswers;                    // consumed in order; default OK when empty
    std::deque<int> yesNoCancelAnswers;                  // default 0 (No) when empty
    std::deque<std::optional<std::string>> fileAnswers;  // for all three file dialogs
    std::vector<std::string> asked;                      // every text shown, in order
    std::vector<std::string> notices;                    // Notify and Inform texts

    bool AskOkCancel(const std::string& text) override {
        asked.push_back(text);
        if (okCancelAnswers.empty()) return true;
        bool a = okCancelAnswers.front();
        okCancelAnswers.pop_front();
        return a;
    }
    void Notify(const std::string& text) override {
        asked.push_back(text);
        notices.push_back(text);
    }
    void Inform(const std::string& text) override {
        asked.push_back(text);
        notices.push_back(text);
    }
    int AskYesNoCancel(const std::string& text) override {
        asked.push_back(text);
        if (yesNoCancelAnswers.empty()) return 0;
        int a = yesNoCancelAnswers.front();
        yesNoCancelAnswers.pop_front();
        return a;
    }
    std::optional<std::string> OpenFileName(const std::string& t, const std::string&,
                                            const std::string&) override {
        return NextFile(t);
    }
    std::optional<std::string> SaveFileName(const std::string& t, const std::string&,
                                            const std::string&) override {
        return NextFile(t);
    }
    std::optional<std::string> ChooseFolder(const std::string& t, const std::string&) override {
        return NextFile(t);
    }

private:
    std::optional<std::string> NextFile(const std::string& title) {
        asked.push_back(title);
        if (fileAnswers.empty()) return std::nullopt;
        auto a = fileAnswers.front();
        fileAnswers.pop_front();
        return a;
    }
};

}  // namespace vmf::test
