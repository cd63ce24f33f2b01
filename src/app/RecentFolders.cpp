#include "app/RecentFolders.h"

namespace vmf {
namespace {

std::string::size_type LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

}  // namespace

std::string FolderStartPath(const RecentFolders& folders, FileKind kind,
                            const std::string& callerPath, const std::string& fallbackFolder) {
    if (LastSeparator(callerPath) != std::string::npos) return callerPath;
    const std::string& folder = folders[kind].empty() ? fallbackFolder : folders[kind];
    if (folder.empty()) return callerPath;
    if (callerPath.empty()) return folder;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + callerPath : folder + '/' + callerPath;
}

void RememberFolder(RecentFolders& folders, FileKind kind, const std::string& chosen) {
    if (kind == FileKind::AutoSaveFolder) {
        if (!chosen.empty()) folders[kind] = chosen;
        return;
    }
    const auto cut = LastSeparator(chosen);
    if (cut == std::string::npos) return;
    // A file in the root keeps its separator: "/" or "C:\" is the folder.
    folders[kind] = chosen.substr(0, cut == 0 || (cut == 2 && chosen[1] == ':') ? cut + 1 : cut);
}

}  // namespace vmf
