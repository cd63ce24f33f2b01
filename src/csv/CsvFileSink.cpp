#include "csv/CsvFileSink.h"

namespace vmf {

std::string CsvSaveFailedText(const std::string& utf8Path, const std::string& reason) {
    return "CSVファイルを保存できませんでした: " + utf8Path + " (" + reason + ")";
}

bool CsvFileSink::Open(const std::string& utf8Path, std::string& reason) {
    return file_.Open(utf8Path, reason);
}

bool CsvFileSink::Append(const char* data, std::size_t size, std::string& reason) {
    return file_.Write(data, size, reason);
}

bool CsvFileSink::Commit(std::string& reason) { return file_.Commit(reason); }

}  // namespace vmf
