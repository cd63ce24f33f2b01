#include "store/OutputFile.h"

#include <filesystem>
#include <system_error>

namespace vmf {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinkHops = 40;

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& p) {
    const std::u8string u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

}  // namespace

OutputTarget ResolveOutputPath(const std::string& utf8Path) {
    OutputTarget out;
    if (utf8Path == "-") {
        out.kind = OutputKind::Stream;
        out.path = utf8Path;
        return out;
    }
    fs::path p = PathOf(utf8Path);
    for (int hops = 0;; ++hops) {
        std::error_code ec;
        const fs::file_status st = fs::symlink_status(p, ec);
        switch (st.type()) {
            case fs::file_type::symlink: {
                if (hops == kMaxLinkHops) {
                    out.reason = "シンボリックリンクが多すぎます";
                    return out;
                }
                const fs::path to = fs::read_symlink(p, ec);
                if (ec) {
                    out.reason = ec.message();
                    return out;
                }
                // A relative link is relative to the folder that holds it.
                p = to.is_absolute() ? to : p.parent_path() / to;
                continue;
            }
            case fs::file_type::fifo:
            case fs::file_type::character:
                out.kind = OutputKind::Stream;
                out.path = Utf8Of(p);
                return out;
            case fs::file_type::directory:
                out.reason = "フォルダーには書き込めません";
                return out;
            case fs::file_type::regular:
            case fs::file_type::not_found:
            case fs::file_type::none:
                // Not there yet (or not to be looked at): the write itself
                // says why when it cannot be made.
                out.kind = OutputKind::RegularFile;
                out.path = Utf8Of(p);
                return out;
            default:
                out.reason = "通常のファイルでもパイプやデバイスでもないため書き込みません";
                return out;
        }
    }
}

OutputFile::~OutputFile() {
    if (committed_ || temp_.empty()) return;
    std::string ignored;
    file_.Close(ignored);
    FileHandle::RemoveFile(temp_);
}

bool OutputFile::Open(const std::string& utf8Path, std::string& reason) {
    committed_ = false;
    temp_.clear();
    target_ = ResolveOutputPath(utf8Path);
    switch (target_.kind) {
        case OutputKind::Refused:
            reason = target_.reason;
            return false;
        case OutputKind::Stream:
            return file_.OpenStream(target_.path, reason);
        case OutputKind::RegularFile:
            break;
    }
    std::string temp;
    if (!file_.CreateTempBeside(target_.path, temp, reason)) return false;
    temp_ = temp;
    return true;
}

bool OutputFile::Write(const void* data, std::size_t size, std::string& reason) {
    if (!file_.IsOpen()) {
        reason = "file not open";
        return false;
    }
    return size == 0 || file_.Write(data, size, reason);
}

bool OutputFile::Commit(std::string& reason) {
    if (!file_.IsOpen()) {
        reason = "file not open";
        return false;
    }
    if (IsStream()) {
        committed_ = true;
        return file_.Close(reason);
    }
    if (!file_.ReplaceTarget(temp_, target_.path, reason)) return false;
    committed_ = true;
    return true;
}

}  // namespace vmf
