#include "panel/PanelControls.h"

#include <array>

namespace vmf {

namespace {

using K = ControlKind;

// Creation order follows the form: graph, then the right-hand column top to
// bottom, then the display-data selector above the graph.
constexpr std::array kControls{
    ControlDef{ctl::GraphFrame, K::Frame, ""},
    ControlDef{ctl::Detect, K::PushButton, "検出"},
    ControlDef{ctl::ListCaption, K::Label, "ｳﾞｧﾙﾈﾛ    LEDﾄﾞﾗｲﾊﾞ"},
    ControlDef{ctl::HeadList, K::ListBox, ""},
    ControlDef{ctl::DeviceList, K::ListBox, ""},
    ControlDef{ctl::MethodLabel, K::Label, "計測方法"},
    ControlDef{ctl::DarkMeasure, K::PushButton, "ダーク計測"},
    ControlDef{ctl::DarkReset, K::PushButton, "ダーク再設定"},
    ControlDef{ctl::LightSource, K::RadioButton, "光源"},
    ControlDef{ctl::Reflectance, K::RadioButton, "反射"},
    ControlDef{ctl::White, K::PushButton, "ホワイト設定"},
    ControlDef{ctl::Transmittance, K::RadioButton, "透過"},
    ControlDef{ctl::Transmission100, K::PushButton, "100%透過設定"},
    ControlDef{ctl::Start, K::PushButton, "開始"},
    ControlDef{ctl::OneShot, K::PushButton, "ワンショット"},
    ControlDef{ctl::ExposureLabel, K::Label, "露光時間(us)"},
    ControlDef{ctl::ExposureEdit, K::Edit, ""},
    ControlDef{ctl::AverageLabel, K::Label, "平均回数"},
    ControlDef{ctl::AverageEdit, K::Edit, ""},
    ControlDef{ctl::Logging, K::CheckBox, "記録保存"},
    ControlDef{ctl::RecordCountEdit, K::ReadOnlyEdit, ""},
    ControlDef{ctl::Interval, K::CheckBox, "計測間隔(ms)"},
    ControlDef{ctl::IntervalEdit, K::Edit, ""},
    ControlDef{ctl::Sensitivity, K::CheckBox, "波長感度補正"},
    ControlDef{ctl::SelectedOnly, K::CheckBox, "選択した分光器のみ表示"},
    ControlDef{ctl::BarDisplay, K::CheckBox, "棒表示"},
    ControlDef{ctl::Back, K::PushButton, "BACK"},
    ControlDef{ctl::Position, K::CentredReadOnlyEdit, ""},
    ControlDef{ctl::Next, K::PushButton, "NEXT"},
    ControlDef{ctl::Continuous, K::CheckBox, "連続操作"},
    ControlDef{ctl::ClearData, K::PushButton, "データクリア"},
    ControlDef{ctl::Maintenance, K::PushButton, "メンテナンス作業"},
    ControlDef{ctl::Compare, K::PushButton, "比較"},
    ControlDef{ctl::CompareName, K::ReadOnlyEdit, ""},
    ControlDef{ctl::CompareHeadBack, K::PushButton, "BACK"},
    ControlDef{ctl::CompareHeadPosition, K::CentredReadOnlyEdit, ""},
    ControlDef{ctl::CompareHeadNext, K::PushButton, "NEXT"},
    ControlDef{ctl::CompareRecordBack, K::PushButton, "BACK"},
    ControlDef{ctl::CompareRecordPosition, K::CentredReadOnlyEdit, ""},
    ControlDef{ctl::CompareRecordNext, K::PushButton, "NEXT"},
    ControlDef{ctl::Csv, K::PushButton, "ＣＳＶ保存"},
    ControlDef{ctl::History, K::PushButton, "操作履歴表示"},
    ControlDef{ctl::DisplayKindLabel, K::Label, "表示データ"},
    ControlDef{ctl::DisplayKind, K::ComboBox, ""},
};

}  // namespace

std::span<const ControlDef> PanelControlTable() { return kControls; }

}  // namespace vmf
