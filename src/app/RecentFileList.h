#pragma once
// The four most recently opened or saved data files, newest first, kept in
// the settings as "Recent File List"/"File1".."File4" (UTF-8 paths with the
// platform's separators, as the menu shows them).

#include <string>
#include <vector>

namespace vmf {

class SettingsBackend;

class RecentFileList {
public:
    static constexpr int kSize = 4;

    // Puts path first; an entry for the same file moves up instead of
    // appearing twice; the oldest falls off beyond four.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& entries() const { return entries_; }

    // Reads File1..File4; empty values are skipped, duplicates kept once.
    void Read(SettingsBackend& settings);
    // Writes File1..File4, empty strings for unused entries so that a
    // shortened list does not bring back stale files at the next start.
    void Write(SettingsBackend& settings) const;

private:
    std::vector<std::string> entries_;
};

// Whether two paths name the same file as far as their text tells: on
// Windows case and separators do not matter.
bool SamePath(const std::string& a, const std::string& b);

// The path with the platform's separators: '\\' on Windows, where Qt's
// dialogs give '/'; unchanged elsewhere.
std::string NativeSeparators(std::string path);

}  // namespace vmf
