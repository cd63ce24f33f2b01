#include "store/BoundedText.h"

#include "store/FileHandle.h"

namespace vmf {

std::string TooLargeText(std::size_t limitBytes) {
    if (limitBytes % (1024 * 1024) == 0)
        return "大きすぎるため読み込みません（上限 " + std::to_string(limitBytes / (1024 * 1024)) +
               " MiB）";
    return "大きすぎるため読み込みません（上限 " + std::to_string(limitBytes) + " バイト）";
}

bool ReadBoundedText(const std::string& utf8Path, std::size_t limitBytes, std::string& bytes,
                     std::string& reason) {
    bytes.clear();
    FileHandle file;
    if (!file.OpenRead(utf8Path, reason)) return false;
    char buffer[65536];
    for (;;) {
        const std::ptrdiff_t got = file.Read(buffer, sizeof buffer, reason);
        if (got < 0) break;
        if (got == 0) return true;
        // One byte past the bound is enough to know; nothing more is read.
        if (static_cast<std::size_t>(got) > limitBytes - bytes.size()) {
            reason = TooLargeText(limitBytes);
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    bytes.clear();
    return false;
}

}  // namespace vmf
