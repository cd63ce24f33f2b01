#include "app/RecentFileList.h"

#include <algorithm>

#include "common/PanelOptions.h"

namespace vmf {
namespace {

constexpr const char* kSection = "Recent File List";

std::string EntryKey(int i) { return "File" + std::to_string(i + 1); }

}  // namespace

bool SamePath(const std::string& a, const std::string& b) {
#if defined(_WIN32)
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) {
            if (c == '/') return '\\';
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
#else
    return a == b;
#endif
}

std::string NativeSeparators(std::string path) {
#if defined(_WIN32)
    std::replace(path.begin(), path.end(), '/', '\\');
#endif
    return path;
}

void RecentFileList::Add(const std::string& path) {
    if (path.empty()) return;
    Remove(path);
    entries_.insert(entries_.begin(), NativeSeparators(path));
    if (entries_.size() > kSize) entries_.resize(kSize);
}

void RecentFileList::Remove(const std::string& path) {
    std::erase_if(entries_, [&](const std::string& e) { return SamePath(e, path); });
}

void RecentFileList::Read(SettingsBackend& settings) {
    entries_.clear();
    for (int i = 0; i < kSize; ++i) {
        std::string path = NativeSeparators(settings.ReadString(kSection, EntryKey(i).c_str(), ""));
        if (path.empty()) continue;
        const bool seen = std::any_of(entries_.begin(), entries_.end(),
                                      [&](const std::string& e) { return SamePath(e, path); });
        if (!seen) entries_.push_back(std::move(path));
    }
}

void RecentFileList::Write(SettingsBackend& settings) const {
    for (int i = 0; i < kSize; ++i)
        settings.WriteString(kSection, EntryKey(i).c_str(),
                             i < static_cast<int>(entries_.size()) ? entries_[i] : "");
}

}  // namespace vmf
