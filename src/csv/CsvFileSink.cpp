#include "csv/CsvFileSink.h"

namespace vmf {

std::string CsvSaveFailedText(const std::string& utf8Path, const std::string& reason) {
    return "CSVファイルを保存できませんでした: " + utf8Path + " (" + reason + ")";
}

CsvFileSink::~CsvFileSink() {
    if (committed_ || temp_.empty()) return;
    std::string ignored;
    file_.Close(ignored);
    FileHandle::RemoveFile(temp_);
}

bool CsvFileSink::Open(const std::string& utf8Path, std::string& reason) {
    target_ = utf8Path;
    temp_.clear();
    committed_ = false;
    std::string temp;
    if (!file_.CreateTempBeside(utf8Path, temp, reason)) return false;
    temp_ = temp;
    return true;
}

bool CsvFileSink::Append(const char* data, std::size_t size, std::string& reason) {
    if (!file_.IsOpen()) {
        reason = "file not open";
        return false;
    }
    return size == 0 || file_.Write(data, size, reason);
}

bool CsvFileSink::Commit(std::string& reason) {
    if (temp_.empty()) {
        reason = "file not open";
        return false;
    }
    if (!file_.ReplaceTarget(temp_, target_, reason)) return false;
    committed_ = true;
    return true;
}

}  // namespace vmf
