#include "common/PanelOptions.h"

#include <array>

namespace vmf {
namespace {

using P = PanelOptions;
constexpr SettingEntry Int(const char* s, const char* k, int P::*m, int def) {
    return {s, k, m, nullptr, def, nullptr};
}
constexpr SettingEntry Str(const char* s, const char* k, std::string P::*m, const char* def) {
    return {s, k, nullptr, m, 0, def};
}

const std::array kReadOrder = {
    Int("average", "number", &P::averageCount, 1),
    Int("logging", "go", &P::loggingOn, 0),
    Int("interval", "go", &P::intervalOn, 0),
    Int("interval", "time", &P::intervalMs, 0),
    Int("sensitivity", "go", &P::sensitivityOn, 0),
    Int("repeat", "go", &P::continuousMode, 0),
    Int("hard", "adjust", &P::maintenanceMode, 0),
    Int("disp", "kind", &P::displayKind, 0),
    Int("csv", "addwave", &P::csvAddWave, 1),
    Int("csv", "vertical", &P::csvVertical, 1),
    Int("save", "auto", &P::autoSaveOn, 0),
    Int("save", "automode", &P::autoSaveNaming, 0),
    Str("save", "fixfilename", &P::fixedFileName, "output"),
    Str("save", "fixfilepath", &P::saveFolder, ""),
    Int("save", "addtemp", &P::csvAddTemp, 1),
    Int("save", "addexp", &P::csvAddExposure, 1),
    Int("save", "startwave", &P::csvStartNm, 340),
    Int("save", "endwave", &P::csvEndNm, 850),
    Int("save", "stepwave", &P::csvStepNm, 10),
    Int("save", "target", &P::csvTarget, 0),
    Int("graph", "max", &P::graphMax, 8192),
    Int("graph", "min", &P::graphMin, 0),
    Int("ratio", "max", &P::ratioMax, 160),
    Int("ratio", "min", &P::ratioMin, 0),
};

// At exit the axis limits go out as graph/max, ratio/max, graph/min, ratio/min.
const std::array kWriteOrder = [] {
    auto order = kReadOrder;
    std::swap(order[21], order[22]);
    return order;
}();

const std::array kPlacement = {
    PlacementEntry{"Settings", "left", &WindowPlacement::left, 0},
    PlacementEntry{"Settings", "top", &WindowPlacement::top, 0},
    PlacementEntry{"Settings", "right", &WindowPlacement::right, 740},
    PlacementEntry{"Settings", "bottom", &WindowPlacement::bottom, 640},
};

const std::array kFolders = {
    FolderEntry{"folder", "data", FileKind::DataFile},
    FolderEntry{"folder", "compare", FileKind::CompareFile},
    FolderEntry{"folder", "csv", FileKind::Csv},
    FolderEntry{"folder", "coeflist", FileKind::CoefficientList},
    FolderEntry{"folder", "autosave", FileKind::AutoSaveFolder},
};
static_assert(kFolders.size() == kFileKindCount);

using T = TrendWindowState;
const std::array kTrendWindow = {
    TrendSettingEntry{"trend", "left", &T::left, 0},
    TrendSettingEntry{"trend", "top", &T::top, 0},
    TrendSettingEntry{"trend", "right", &T::right, 0},
    TrendSettingEntry{"trend", "bottom", &T::bottom, 0},
    TrendSettingEntry{"trend", "open", &T::open, 0},
    TrendSettingEntry{"trend", "value", &T::value, 0},
    TrendSettingEntry{"trend", "heads", &T::heads, 0x3FF},
    TrendSettingEntry{"trend", "timeaxis", &T::timeAxis, 1},
};

}  // namespace

std::span<const TrendSettingEntry> TrendWindowSettings() { return kTrendWindow; }

std::span<const SettingEntry> PanelSettingsReadOrder() { return kReadOrder; }
std::span<const SettingEntry> PanelSettingsWriteOrder() { return kWriteOrder; }
std::span<const PlacementEntry> PlacementSettings() { return kPlacement; }
std::span<const FolderEntry> FolderSettings() { return kFolders; }

void ReadPanelOptions(SettingsBackend& backend, PanelOptions& options) {
    for (const auto& e : PanelSettingsReadOrder()) {
        if (e.intMember)
            options.*e.intMember = backend.ReadInt(e.section, e.key, e.intDefault);
        else
            options.*e.stringMember = backend.ReadString(e.section, e.key, e.stringDefault);
    }
}

void WritePanelOptions(SettingsBackend& backend, const PanelOptions& options) {
    for (const auto& e : PanelSettingsWriteOrder()) {
        if (e.intMember)
            backend.WriteInt(e.section, e.key, options.*e.intMember);
        else
            backend.WriteString(e.section, e.key, options.*e.stringMember);
    }
}

void ReadPlacement(SettingsBackend& backend, WindowPlacement& placement) {
    for (const auto& e : PlacementSettings())
        placement.*e.member = backend.ReadInt(e.section, e.key, e.intDefault);
}

void WritePlacement(SettingsBackend& backend, const WindowPlacement& placement) {
    for (const auto& e : PlacementSettings())
        backend.WriteInt(e.section, e.key, placement.*e.member);
}

void ReadFolders(SettingsBackend& backend, RecentFolders& folders) {
    for (const auto& e : FolderSettings())
        folders[e.kind] = backend.ReadString(e.section, e.key, "");
}

void WriteFolders(SettingsBackend& backend, const RecentFolders& folders) {
    for (const auto& e : FolderSettings()) backend.WriteString(e.section, e.key, folders[e.kind]);
}

void ReadTrendWindow(SettingsBackend& backend, TrendWindowState& state) {
    for (const auto& e : TrendWindowSettings())
        state.*e.member = backend.ReadInt(e.section, e.key, e.intDefault);
}

void WriteTrendWindow(SettingsBackend& backend, const TrendWindowState& state) {
    for (const auto& e : TrendWindowSettings()) backend.WriteInt(e.section, e.key, state.*e.member);
}

}  // namespace vmf
