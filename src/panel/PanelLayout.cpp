#include "panel/PanelLayout.h"

#include "panel/PanelControls.h"

namespace vmf {

namespace {

// The fixed part of the right-hand column: these never move with the height.
struct FixedPlace {
    int id, x, y, width, height;
};
constexpr FixedPlace kFixedColumn[] = {
    {ctl::Detect, 615, 5, 160, 28},
    {ctl::ListCaption, 625, 40, 180, 16},
    {ctl::HeadList, 615, 56, 80, 100},
    {ctl::DeviceList, 700, 56, 80, 100},
    {ctl::MethodLabel, 615, 161, 75, 20},
    {ctl::DarkMeasure, 700, 158, 80, 20},
    {ctl::LightSource, 625, 181, 100, 20},
    {ctl::Reflectance, 625, 201, 60, 20},
    {ctl::White, 680, 201, 100, 20},
    {ctl::Transmittance, 625, 221, 60, 20},
    {ctl::Transmission100, 680, 221, 100, 20},
    {ctl::Start, 615, 251, 70, 28},
    {ctl::OneShot, 695, 251, 100, 28},
    {ctl::ExposureLabel, 615, 289, 90, 20},
    {ctl::ExposureEdit, 730, 286, 60, 20},
    {ctl::AverageLabel, 615, 314, 90, 20},
    {ctl::AverageEdit, 730, 311, 60, 20},
    {ctl::Logging, 615, 339, 90, 20},
    {ctl::RecordCountEdit, 730, 339, 60, 20},
    {ctl::Interval, 615, 364, 110, 20},
    {ctl::IntervalEdit, 730, 364, 60, 20},
    {ctl::Sensitivity, 615, 386, 120, 20},
    {ctl::SelectedOnly, 615, 416, 180, 20},
    {ctl::BarDisplay, 615, 441, 180, 20},
    {ctl::Back, 615, 466, 40, 20},
    {ctl::Position, 660, 466, 80, 20},
    {ctl::Next, 745, 466, 40, 20},
    {ctl::Continuous, 665, 486, 120, 20},
    {ctl::ClearData, 625, 506, 160, 20},
};

ControlPlace Shown(int id, int x, int y, int w, int h) {
    return ControlPlace{id, x, y, w, h, true};
}
ControlPlace Hidden(int id) { return ControlPlace{id, 0, 0, 0, 0, false}; }

// One BACK / position / NEXT row of the comparison.
void AddRow(std::vector<ControlPlace>& out, bool shown, int back, int pos, int next, int& y) {
    if (!shown) {
        out.push_back(Hidden(back));
        out.push_back(Hidden(pos));
        out.push_back(Hidden(next));
        return;
    }
    out.push_back(Shown(back, 615, y, 40, 20));
    out.push_back(Shown(pos, 660, y, 80, 20));
    out.push_back(Shown(next, 745, y, 40, 20));
    y += 25;
}

}  // namespace

std::vector<ControlPlace> LayoutPanel(const LayoutInput& in) {
    std::vector<ControlPlace> out;
    out.reserve(48);
    out.push_back(Shown(ctl::GraphFrame, 5, 30, 600, in.height - 35));
    for (const FixedPlace& f : kFixedColumn)
        out.push_back(Shown(f.id, f.x, f.y, f.width, f.height));
    out.push_back(Hidden(ctl::DarkReset));

    // The rows below the data-clear button run down from y0; the maintenance
    // button, when shown, pushes them down by one button row.
    int y0 = 541;
    if (in.maintenanceMode) {
        out.push_back(Shown(ctl::Maintenance, 615, 541, 160, 28));
        y0 = 576;
    } else {
        out.push_back(Hidden(ctl::Maintenance));
    }
    out.push_back(Shown(ctl::Compare, 615, y0, 60, 28));
    out.push_back(Shown(ctl::CompareName, 680, y0 + 3, 120, 20));
    int y = y0 + 35;
    AddRow(out, in.compareLoaded && in.compareHeadCount > 1, ctl::CompareHeadBack,
           ctl::CompareHeadPosition, ctl::CompareHeadNext, y);
    AddRow(out, in.compareLoaded && in.compareHead0Records > 1, ctl::CompareRecordBack,
           ctl::CompareRecordPosition, ctl::CompareRecordNext, y);
    out.push_back(Shown(ctl::Csv, 615, y, 160, 28));
    out.push_back(Shown(ctl::History, 615, y + 35, 160, 28));
    return out;
}

std::optional<ControlPlace> TemplatePlace(int id) {
    // Left of the graph frame's right edge (605) and above its top (30).
    if (id == ctl::DisplayKindLabel) return Shown(id, 380, 7, 65, 20);
    if (id == ctl::DisplayKind) return Shown(id, 450, 4, 150, 22);
    // Everything else starts where the layout of the template's own height
    // (the form as designed, 600 pixels) puts it.
    for (const ControlPlace& p : LayoutPanel(LayoutInput{600})) {
        if (p.id == id) return p;
    }
    return std::nullopt;
}

}  // namespace vmf
