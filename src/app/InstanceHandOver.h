#pragma once
// A second start of the program hands the file it was asked to open to the
// instance that runs, then ends. The hand-over is a per-user drop folder
// beside the instance lock: the second start puts one small file there per
// path (written under a temporary name, then renamed, so the reader never
// sees half a path), the running instance takes them, oldest first.
//  - POSIX: "<name>-<uid>.handover" in $XDG_RUNTIME_DIR (or $TMPDIR, or
//    /tmp), created 0700; a folder of that name that is not this user's own
//    is never used, so another user cannot feed or read it.
//  - Windows: "<name>.handover" in the user's own temporary folder.

#include <filesystem>
#include <string>
#include <vector>

namespace vmf {

// The drop folder for the instance lock of this name (it need not exist).
std::filesystem::path HandOverFolder(const std::string& lockName);

// Leaves the UTF-8 path for the running instance. False (with the reason)
// when the folder cannot be made or written.
bool PostHandOver(const std::filesystem::path& folder, const std::string& path, std::string& error);

// The paths posted since the last call, oldest first; each is removed as it
// is taken. A folder that is missing or not this user's gives nothing.
std::vector<std::string> TakeHandOvers(const std::filesystem::path& folder);

}  // namespace vmf
