#include "store/RecoveryFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "store/Crc32.h"
#include "store/TextFormat.h"

namespace vmf {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& p) {
    const std::u8string u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

std::string Env(const char* name) {
#if defined(_WIN32)
    std::wstring wide(name, name + std::char_traits<char>::length(name));
    const wchar_t* v = _wgetenv(wide.c_str());
    return v ? Utf8(fs::path(v)) : std::string();
#else
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
#endif
}

}  // namespace

std::string RecoveryFolder() {
#if defined(_WIN32)
    const std::string base = Env("APPDATA");
    if (base.empty()) return {};
    return base + "\\VarnelloMF\\varnello_mf\\recovery";
#else
    // As the window's own data folder: a relative XDG_DATA_HOME is ignored.
    std::string base = Env("XDG_DATA_HOME");
    if (base.empty() || base.front() != '/') {
        const std::string home = Env("HOME");
        if (home.empty()) return {};
        base = home + "/.local/share";
    }
    return base + "/VarnelloMF/varnello_mf/recovery";
#endif
}

std::string RecoveryNameFor(const std::string& target, const std::string& suffix) {
    const fs::path path(std::u8string(target.begin(), target.end()));
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    if (ec) absolute = path;
    const std::string whole = Utf8(absolute.lexically_normal());
    return Utf8(path.filename()) + CFormat("-%08x", Crc32(0, whole.data(), whole.size())) + suffix;
}

}  // namespace vmf
