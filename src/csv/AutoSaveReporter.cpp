#include "csv/AutoSaveReporter.h"

namespace vmf {

std::optional<std::string> AutoSaveReporter::OnResult(bool ok, const std::string& utf8Path) {
    if (ok) {
        failing_ = false;
        return std::nullopt;
    }
    if (failing_) return std::nullopt;
    failing_ = true;
    return "CSV自動保存に失敗しました: " + utf8Path;
}

}  // namespace vmf
