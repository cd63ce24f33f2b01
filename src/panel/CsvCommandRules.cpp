#include "panel/CsvCommandRules.h"

namespace vmf {

bool CsvFileWantedNow(const CsvSaveNow& s) {
    // Targets 2 and 3 are the white and 100 % references: one row per channel,
    // no records involved.
    if (s.target >= 2) return true;
    return !s.autoSaveOn && s.selectedHead >= 0 && s.selectedHeadRecords > 0 &&
           s.firstRecord >= 0 && s.firstRecord < s.endRecord;
}

std::string WithDefaultExtension(std::string path, const char* ext) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart >= path.size()) return path;  // a folder, not a name: nothing to extend
    if (path.find('.', nameStart) == std::string::npos) {
        path += '.';
        path += ext;
    }
    return path;
}

}  // namespace vmf
