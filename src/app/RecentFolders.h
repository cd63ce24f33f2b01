#pragma once
// Where a file dialog starts, from the folder its kind of file was last
// taken from or put in, and what it remembers afterwards. Paths are UTF-8
// with '/' or '\' between folders.

#include <string>

#include "common/PanelOptions.h"

namespace vmf {

// A caller's path that names a folder (the auto-save folder, a coefficient
// list's full path) is kept as it is. A bare file name (a proposed
// "title.vqdata", "*.csv") or nothing starts in the remembered folder, the
// name appended; without a remembered folder in `fallbackFolder` (the
// user's documents: the working folder may be the program's own, where a
// user cannot write), and without that too the caller's path stays.
std::string FolderStartPath(const RecentFolders& folders, FileKind kind,
                            const std::string& callerPath, const std::string& fallbackFolder = {});

// After a dialog gave `chosen`: its folder (for a folder dialog, `chosen`
// itself) becomes the remembered one. An empty or bare name changes nothing.
void RememberFolder(RecentFolders& folders, FileKind kind, const std::string& chosen);

}  // namespace vmf
