#pragma once
// Keeps a failing automatic save from going unnoticed without flooding the
// operator: the first failure of a run of failures yields one notice line
// for the message area and the status bar; later failures of the same run
// stay quiet, acquisition goes on, and the next success ends the run.

#include <optional>
#include <string>

namespace vmf {

class AutoSaveReporter {
public:
    // Feed every automatic save's outcome. Returns the notice to show
    // ("CSV自動保存に失敗しました: <path>") on the first failure of a run.
    std::optional<std::string> OnResult(bool ok, const std::string& utf8Path);
    bool failing() const { return failing_; }
    // Forget a run of failures (a new measurement starts afresh).
    void Reset() { failing_ = false; }

private:
    bool failing_ = false;
};

}  // namespace vmf
