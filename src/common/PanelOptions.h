#pragma once
// The panel's persisted options: one member per setting, and the one table
// that names each setting's section, key, type and default. Reading and
// writing loop over the table, so adding a setting is one line here.

#include <array>
#include <cstddef>
#include <span>
#include <string>

namespace vmf {

struct PanelOptions {
    int averageCount = 1;
    int loggingOn = 0;
    int intervalOn = 0;
    int intervalMs = 0;
    int sensitivityOn = 0;
    int continuousMode = 0;
    int maintenanceMode = 0;
    int displayKind = 0;
    int csvAddWave = 1;
    int csvVertical = 1;
    int autoSaveOn = 0;
    int autoSaveNaming = 0;
    std::string fixedFileName = "output";  // UTF-8
    std::string saveFolder;                // UTF-8
    int csvAddTemp = 1;
    int csvAddExposure = 1;
    int csvStartNm = 340;
    int csvEndNm = 850;
    int csvStepNm = 10;
    int csvTarget = 0;
    int graphMax = 8192;
    int graphMin = 0;
    int ratioMax = 160;
    int ratioMin = 0;
};

// One persisted setting. Exactly one of intMember / stringMember is set.
struct SettingEntry {
    const char* section;
    const char* key;
    int PanelOptions::*intMember;
    std::string PanelOptions::*stringMember;
    int intDefault;
    const char* stringDefault;
};

// The panel settings in the order they are read.
std::span<const SettingEntry> PanelSettingsReadOrder();
// The same settings in the order they are written at exit.
std::span<const SettingEntry> PanelSettingsWriteOrder();

// Window placement of the main frame ("Settings" section), restored rectangle.
struct WindowPlacement {
    int left = 0;
    int top = 0;
    int right = 740;
    int bottom = 640;
};
struct PlacementEntry {
    const char* section;
    const char* key;
    int WindowPlacement::*member;
    int intDefault;
};
std::span<const PlacementEntry> PlacementSettings();

// The folder each kind of file dialog last went to ("folder" section), so
// the next dialog of that kind opens there, also after a restart.
enum class FileKind { DataFile, CompareFile, Csv, CoefficientList, AutoSaveFolder };
inline constexpr std::size_t kFileKindCount = 5;
struct RecentFolders {
    std::array<std::string, kFileKindCount> path;  // by FileKind, UTF-8; empty: none yet
    std::string& operator[](FileKind k) { return path[static_cast<std::size_t>(k)]; }
    const std::string& operator[](FileKind k) const { return path[static_cast<std::size_t>(k)]; }
};
struct FolderEntry {
    const char* section;
    const char* key;
    FileKind kind;
};
std::span<const FolderEntry> FolderSettings();
// The trend window ("trend" section): its placement (a right of 0 means never
// placed), whether it was open at exit, the value shown, the heads shown (bit
// a for head a) and the x axis (0 record number, 1 time).
struct TrendWindowState {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int open = 0;
    int value = 0;
    int heads = 0x3FF;
    int timeAxis = 1;
};
struct TrendSettingEntry {
    const char* section;
    const char* key;
    int TrendWindowState::*member;
    int intDefault;
};
std::span<const TrendSettingEntry> TrendWindowSettings();

// Abstract key/value store behind the settings, so the loops above run the
// same against the desktop settings store and a test fake.
class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;
    virtual int ReadInt(const char* section, const char* key, int def) = 0;
    virtual std::string ReadString(const char* section, const char* key,
                                   const std::string& def) = 0;
    virtual void WriteInt(const char* section, const char* key, int value) = 0;
    virtual void WriteString(const char* section, const char* key, const std::string& value) = 0;
};

void ReadPanelOptions(SettingsBackend& backend, PanelOptions& options);
void WritePanelOptions(SettingsBackend& backend, const PanelOptions& options);
void ReadPlacement(SettingsBackend& backend, WindowPlacement& placement);
void WritePlacement(SettingsBackend& backend, const WindowPlacement& placement);
void ReadFolders(SettingsBackend& backend, RecentFolders& folders);
void WriteFolders(SettingsBackend& backend, const RecentFolders& folders);
void ReadTrendWindow(SettingsBackend& backend, TrendWindowState& state);
void WriteTrendWindow(SettingsBackend& backend, const TrendWindowState& state);

}  // namespace vmf
