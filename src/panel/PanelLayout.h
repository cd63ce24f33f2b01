#pragma once
// Where every control of the panel goes for a client height H. A pure
// function so the coordinates can be checked without a window; the view
// only applies the list it returns.

#include <optional>
#include <vector>

namespace vmf {

// A control's place in panel coordinates (x, y, width, height).
struct ControlPlace {
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool visible = true;
};

struct LayoutInput {
    int height = 0;                // H, the panel's client height
    bool maintenanceMode = false;  // shows 1041 and moves the rows below by 35
    bool compareLoaded = false;    // a comparison file is held
    int compareHeadCount = 0;      // its headCount
    int compareHead0Records = 0;   // its recordCount[0]
};

// The controls that LayoutPanel moves or hides, in table order. Hidden
// controls carry their last coordinates (or zeros) and visible = false.
// The display-data label 1048 and combo 1047 are not in it: they keep their
// template places (TemplatePlace).
std::vector<ControlPlace> LayoutPanel(const LayoutInput& in);

// The place a control has before the first layout pass (the "dialog
// template"); nothing for ids the panel does not have.
std::optional<ControlPlace> TemplatePlace(int id);

}  // namespace vmf
