#include "app/InstanceHandOver.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vmf {
namespace fs = std::filesystem;
namespace {

constexpr const char* kSuffix = ".open";
// A path is short; anything larger in the folder is not ours.
constexpr std::uintmax_t kMaxEntry = 64 * 1024;

#if defined(_WIN32)
int ProcessId() { return static_cast<int>(GetCurrentProcessId()); }
#else
int ProcessId() { return static_cast<int>(::getpid()); }
#endif

// True when the folder exists (or was just made) and may be used: on POSIX a
// real folder of this user's, not a link, that nobody else can write.
bool UsableFolder(const fs::path& folder, bool create) {
#if defined(_WIN32)
    std::error_code ec;
    if (create) fs::create_directories(folder, ec);
    return fs::is_directory(fs::symlink_status(folder, ec));
#else
    if (create && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 0022) == 0;
#endif
}

}  // namespace

fs::path HandOverFolder(const std::string& lockName) {
#if defined(_WIN32)
    wchar_t buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    const fs::path base =
        n > 0 && n <= MAX_PATH ? fs::path(std::wstring(buffer, n)) : fs::path(".");
    return base / fs::path(std::u8string(lockName.begin(), lockName.end()) + u8".handover");
#else
    std::string base = "/tmp";
    for (const char* var : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* dir = std::getenv(var);
        if (dir && *dir) {
            base = dir;
            break;
        }
    }
    return fs::path(base) / (lockName + "-" + std::to_string(::getuid()) + ".handover");
#endif
}

bool PostHandOver(const fs::path& folder, const std::string& path, std::string& error) {
    if (!UsableFolder(folder, true)) {
        error = "the hand-over folder cannot be used: " + folder.string();
        return false;
    }
    // Names sort by the time they were posted; the process id and a counter
    // keep two posts of the same instant apart.
    static std::atomic<int> counter{0};
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    char name[64];
    std::snprintf(name, sizeof name, "%020lld-%d-%d", static_cast<long long>(now), ProcessId(),
                  counter++);
    const fs::path temp = folder / (std::string(name) + ".tmp");
    const fs::path final = folder / (std::string(name) + kSuffix);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(path.data(), static_cast<std::streamsize>(path.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            fs::remove(temp, ec);
            error = "cannot write " + temp.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, final, ec);
    if (ec) {
        fs::remove(temp, ec);
        error = "cannot write " + final.string();
        return false;
    }
#if defined(_WIN32)
    // Windows lets a background process bring its window to the front only
    // when the process in front allows it: the operator's double-click made
    // this one the foreground process.
    AllowSetForegroundWindow(ASFW_ANY);
#endif
    return true;
}

std::vector<std::string> TakeHandOvers(const fs::path& folder) {
    std::vector<std::string> paths;
    if (!UsableFolder(folder, false)) return paths;
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (p.extension() == kSuffix) entries.push_back(p);
    }
    std::sort(entries.begin(), entries.end());
    for (const fs::path& p : entries) {
        std::error_code sizeError;
        const auto size = fs::file_size(p, sizeError);
        if (!sizeError && size <= kMaxEntry && fs::is_regular_file(fs::symlink_status(p, ec))) {
            std::ifstream in(p, std::ios::binary);
            std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
            if (!text.empty()) paths.push_back(std::move(text));
        }
        fs::remove(p, ec);
    }
    return paths;
}

}  // namespace vmf
