#pragma once
// A file of the build (a program, the stand-in library) as the running test
// must name it. The Windows build gives such paths relative to the build
// folder, so its compiled tests do not depend on where the tree lies: they
// are found by walking up from the test program's own folder. An absolute
// Unix path (a Windows program run under Wine) becomes its Z: drive path.

#include <string>

#if defined(_WIN32)
#include <windows.h>

#include <filesystem>
#endif

namespace vmf::test {

inline std::string BuildFilePath(const std::string& path) {
#if defined(_WIN32)
    if (!path.empty() && path[0] == '/') {
        std::string out = "Z:" + path;
        for (char& c : out)
            if (c == '/') c = '\\';
        return out;
    }
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::filesystem::path dir = std::filesystem::path(std::wstring(self, n)).parent_path();
    for (int up = 0; up < 6 && !dir.empty(); ++up, dir = dir.parent_path()) {
        const std::filesystem::path candidate = dir / std::filesystem::path(path).make_preferred();
        if (std::filesystem::exists(candidate)) return candidate.string();
        if (dir == dir.parent_path()) break;
    }
#endif
    return path;
}

}  // namespace vmf::test
