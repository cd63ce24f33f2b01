#pragma once
// The panel's controls as its form template lists them: numeric id, kind and
// caption (UTF-8). The view creates its widgets from this one table, and
// tests look controls up by the same ids.

#include <span>

namespace vmf {

enum class ControlKind {
    Frame,  // the graph frame 1000 (drawn by the graph renderer)
    PushButton,
    CheckBox,
    RadioButton,
    Label,
    Edit,
    ReadOnlyEdit,
    CentredReadOnlyEdit,
    ListBox,
    ComboBox,
};

struct ControlDef {
    int id;
    ControlKind kind;
    const char* caption;  // UTF-8; empty for lists, edits and the frame
};

// Ids of the controls other parts of the program refer to.
namespace ctl {
inline constexpr int GraphFrame = 1000;
inline constexpr int Start = 1001;
inline constexpr int Detect = 1002;
inline constexpr int HeadList = 1003;
inline constexpr int DeviceList = 1004;
inline constexpr int ExposureEdit = 1005;
inline constexpr int ExposureLabel = 1006;
inline constexpr int MethodLabel = 1007;
inline constexpr int LightSource = 1008;
inline constexpr int Reflectance = 1009;
inline constexpr int Transmittance = 1010;
inline constexpr int AverageLabel = 1011;
inline constexpr int AverageEdit = 1012;
inline constexpr int ListCaption = 1013;
inline constexpr int Logging = 1014;
inline constexpr int RecordCountEdit = 1015;
inline constexpr int Interval = 1016;
inline constexpr int IntervalEdit = 1017;
inline constexpr int Sensitivity = 1018;
inline constexpr int SelectedOnly = 1019;
inline constexpr int White = 1020;
inline constexpr int Transmission100 = 1021;
inline constexpr int CompareName = 1022;
inline constexpr int OneShot = 1023;
inline constexpr int BarDisplay = 1024;
inline constexpr int Back = 1035;
inline constexpr int Next = 1036;
inline constexpr int Continuous = 1037;
inline constexpr int Position = 1038;
inline constexpr int History = 1039;
inline constexpr int DarkReset = 1040;
inline constexpr int Maintenance = 1041;
inline constexpr int ClearData = 1042;
inline constexpr int Compare = 1043;
inline constexpr int CompareHeadBack = 1044;
inline constexpr int CompareHeadNext = 1045;
inline constexpr int CompareHeadPosition = 1046;
inline constexpr int DisplayKind = 1047;
inline constexpr int DisplayKindLabel = 1048;
inline constexpr int CompareRecordBack = 1049;
inline constexpr int CompareRecordNext = 1050;
inline constexpr int CompareRecordPosition = 1051;
inline constexpr int Csv = 1052;
inline constexpr int DarkMeasure = 1053;
}  // namespace ctl

// Every control of the panel, in creation (tab) order.
std::span<const ControlDef> PanelControlTable();

// The two fixed items of the display-data combo box 1047.
inline constexpr const char* kDisplayKindItems[2] = {"最大/最小/温度", "ＣＩＥデータ"};

}  // namespace vmf
