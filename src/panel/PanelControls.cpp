#include "panel/PanelControls.h"

#include <array>

namespace vmf {

namespace {

using K = ControlKind;

// Creation order follows the form: graph, then the right-hand column top to
// bottom, then the display-data selector above the graph.
constexpr std::array kControls{
    ControlSpec{ctl::GraphFrame, K::Frame, ""},
    ControlSpec{ctl::Detect, K::PushButton, "検出"},
    ControlSpec{ctl::ListCaption, K::Label, "ｳﾞｧﾙﾈﾛ    LEDﾄﾞﾗｲﾊﾞ"},
    ControlSpec{ctl::HeadList, K::ListBox, ""},
    ControlSpec{ctl::DeviceList, K::ListBox, ""},
    ControlSpec{ctl::MethodLabel, K::Label, "計測方法"},
    ControlSpec{ctl::DarkMeasure, K::PushButton, "ダーク計測"},
    ControlSpec{ctl::DarkReset, K::PushButton, "ダーク再設定"},
    ControlSpec{ctl::LightSource, K::RadioButton, "光源"},
    ControlSpec{ctl::Reflectance, K::RadioButton, "反射"},
    ControlSpec{ctl::White, K::PushButton, "ホワイト設定"},
    ControlSpec{ctl::Transmittance, K::RadioButton, "透過"},
    ControlSpec{ctl::Transmission100, K::PushButton, "100%透過設定"},
    ControlSpec{ctl::Start, K::PushButton, "開始"},
    ControlSpec{ctl::OneShot, K::PushButton, "ワンショット"},
    ControlSpec{ctl::ExposureLabel, K::Label, "露光時間(us)"},
    ControlSpec{ctl::ExposureEdit, K::Edit, ""},
    ControlSpec{ctl::AverageLabel, K::Label, "平均回数"},
    ControlSpec{ctl::AverageEdit, K::Edit, ""},
    ControlSpec{ctl::Logging, K::CheckBox, "記録保存"},
    ControlSpec{ctl::RecordCountEdit, K::ReadOnlyEdit, ""},
    ControlSpec{ctl::Interval, K::CheckBox, "計測間隔(ms)"},
    ControlSpec{ctl::IntervalEdit, K::Edit, ""},
    ControlSpec{ctl::Sensitivity, K::CheckBox, "波長感度補正"},
    ControlSpec{ctl::SelectedOnly, K::CheckBox, "選択した分光器のみ表示"},
    ControlSpec{ctl::BarDisplay, K::CheckBox, "棒表示"},
    ControlSpec{ctl::Back, K::PushButton, "BACK"},
    ControlSpec{ctl::Position, K::CentredReadOnlyEdit, ""},
    ControlSpec{ctl::Next, K::PushButton, "NEXT"},
    ControlSpec{ctl::Continuous, K::CheckBox, "連続操作"},
    ControlSpec{ctl::ClearData, K::PushButton, "データクリア"},
    ControlSpec{ctl::Maintenance, K::PushButton, "メンテナンス作業"},
    ControlSpec{ctl::Compare, K::PushButton, "比較"},
    ControlSpec{ctl::CompareName, K::ReadOnlyEdit, ""},
    ControlSpec{ctl::CompareHeadBack, K::PushButton, "BACK"},
    ControlSpec{ctl::CompareHeadPosition, K::CentredReadOnlyEdit, ""},
    ControlSpec{ctl::CompareHeadNext, K::PushButton, "NEXT"},
    ControlSpec{ctl::CompareRecordBack, K::PushButton, "BACK"},
    ControlSpec{ctl::CompareRecordPosition, K::CentredReadOnlyEdit, ""},
    ControlSpec{ctl::CompareRecordNext, K::PushButton, "NEXT"},
    ControlSpec{ctl::Csv, K::PushButton, "ＣＳＶ保存"},
    ControlSpec{ctl::History, K::PushButton, "操作履歴表示"},
    ControlSpec{ctl::DisplayKindLabel, K::Label, "表示データ"},
    ControlSpec{ctl::DisplayKind, K::ComboBox, ""},
};

}  // namespace

std::span<const ControlSpec> PanelControlTable() { return kControls; }

}  // namespace vmf
