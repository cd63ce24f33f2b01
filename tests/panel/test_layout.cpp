// The panel layout as a pure function of the height, maintenance mode and
// the comparison file's shape.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "panel/PanelControls.h"
#include "panel/PanelLayout.h"

namespace vmf {
namespace {

std::map<int, ControlPlace> ById(const std::vector<ControlPlace>& list) {
    std::map<int, ControlPlace> m;
    for (const ControlPlace& p : list) {
        EXPECT_TRUE(m.emplace(p.id, p).second) << "placed twice: " << p.id;
    }
    return m;
}

void ExpectAt(const std::map<int, ControlPlace>& m, int id, int x, int y, int w, int h) {
    auto it = m.find(id);
    ASSERT_NE(it, m.end()) << id;
    EXPECT_TRUE(it->second.visible) << id;
    EXPECT_EQ(it->second.x, x) << id;
    EXPECT_EQ(it->second.y, y) << id;
    EXPECT_EQ(it->second.width, w) << id;
    EXPECT_EQ(it->second.height, h) << id;
}

void ExpectHidden(const std::map<int, ControlPlace>& m, int id) {
    auto it = m.find(id);
    ASSERT_NE(it, m.end()) << id;
    EXPECT_FALSE(it->second.visible) << id;
}

TEST(PanelLayout, FixedColumnAndFrameFollowTheHeight) {
    for (int H : {601, 750}) {
        auto m = ById(LayoutPanel(LayoutInput{H}));
        ExpectAt(m, 1000, 5, 30, 600, H - 35);
        ExpectAt(m, 1002, 615, 5, 160, 28);
        ExpectAt(m, 1013, 625, 40, 180, 16);
        ExpectAt(m, 1003, 615, 56, 80, 100);
        ExpectAt(m, 1004, 700, 56, 80, 100);
        ExpectAt(m, 1007, 615, 161, 75, 20);
        ExpectAt(m, 1053, 700, 158, 80, 20);
        ExpectAt(m, 1008, 625, 181, 100, 20);
        ExpectAt(m, 1009, 625, 201, 60, 20);
        ExpectAt(m, 1020, 680, 201, 100, 20);
        ExpectAt(m, 1010, 625, 221, 60, 20);
        ExpectAt(m, 1021, 680, 221, 100, 20);
        ExpectAt(m, 1001, 615, 251, 70, 28);
        ExpectAt(m, 1023, 695, 251, 100, 28);
        ExpectAt(m, 1006, 615, 289, 90, 20);
        ExpectAt(m, 1005, 730, 286, 60, 20);
        ExpectAt(m, 1011, 615, 314, 90, 20);
        ExpectAt(m, 1012, 730, 311, 60, 20);
        ExpectAt(m, 1014, 615, 339, 90, 20);
        ExpectAt(m, 1015, 730, 339, 60, 20);
        ExpectAt(m, 1016, 615, 364, 110, 20);
        ExpectAt(m, 1017, 730, 364, 60, 20);
        ExpectAt(m, 1018, 615, 386, 120, 20);
        ExpectAt(m, 1019, 615, 416, 180, 20);
        ExpectAt(m, 1024, 615, 441, 180, 20);
        ExpectAt(m, 1035, 615, 466, 40, 20);
        ExpectAt(m, 1038, 660, 466, 80, 20);
        ExpectAt(m, 1036, 745, 466, 40, 20);
        ExpectAt(m, 1037, 665, 486, 120, 20);
        ExpectAt(m, 1042, 625, 506, 160, 20);
        ExpectHidden(m, 1040);
        // Without a comparison file and maintenance mode the rows start at 541.
        ExpectHidden(m, 1041);
        ExpectAt(m, 1043, 615, 541, 60, 28);
        ExpectAt(m, 1022, 680, 544, 120, 20);
        for (int id : {1044, 1045, 1046, 1049, 1050, 1051}) ExpectHidden(m, id);
        ExpectAt(m, 1052, 615, 576, 160, 28);
        ExpectAt(m, 1039, 615, 611, 160, 28);
    }
}

TEST(PanelLayout, MaintenanceModeShowsItsButtonAndMovesTheRowsBy35) {
    LayoutInput in{640};
    in.maintenanceMode = true;
    auto m = ById(LayoutPanel(in));
    ExpectAt(m, 1041, 615, 541, 160, 28);
    ExpectAt(m, 1043, 615, 576, 60, 28);
    ExpectAt(m, 1022, 680, 579, 120, 20);
    ExpectAt(m, 1052, 615, 611, 160, 28);
    ExpectAt(m, 1039, 615, 646, 160, 28);
}

TEST(PanelLayout, ComparisonRowsAppearByTheFilesShape) {
    LayoutInput in{640};
    in.compareLoaded = true;
    in.compareHeadCount = 1;
    in.compareHead0Records = 1;
    {
        // One head, one record: neither row.
        auto m = ById(LayoutPanel(in));
        for (int id : {1044, 1045, 1046, 1049, 1050, 1051}) ExpectHidden(m, id);
        ExpectAt(m, 1052, 615, 576, 160, 28);
    }
    in.compareHeadCount = 2;
    {
        auto m = ById(LayoutPanel(in));
        ExpectAt(m, 1044, 615, 576, 40, 20);
        ExpectAt(m, 1046, 660, 576, 80, 20);
        ExpectAt(m, 1045, 745, 576, 40, 20);
        for (int id : {1049, 1050, 1051}) ExpectHidden(m, id);
        ExpectAt(m, 1052, 615, 601, 160, 28);
        ExpectAt(m, 1039, 615, 636, 160, 28);
    }
    in.compareHeadCount = 1;
    in.compareHead0Records = 5;
    in.maintenanceMode = true;
    {
        // The record row alone takes the head row's place.
        auto m = ById(LayoutPanel(in));
        for (int id : {1044, 1045, 1046}) ExpectHidden(m, id);
        ExpectAt(m, 1049, 615, 611, 40, 20);
        ExpectAt(m, 1051, 660, 611, 80, 20);
        ExpectAt(m, 1050, 745, 611, 40, 20);
        ExpectAt(m, 1052, 615, 636, 160, 28);
    }
    in.compareHeadCount = 3;
    {
        auto m = ById(LayoutPanel(in));
        ExpectAt(m, 1044, 615, 611, 40, 20);
        ExpectAt(m, 1049, 615, 636, 40, 20);
        ExpectAt(m, 1052, 615, 661, 160, 28);
        ExpectAt(m, 1039, 615, 696, 160, 28);
    }
    // A comparison shape without a loaded file shows nothing.
    in.compareLoaded = false;
    auto m = ById(LayoutPanel(in));
    for (int id : {1044, 1045, 1046, 1049, 1050, 1051}) ExpectHidden(m, id);
}

TEST(PanelLayout, EveryControlHasAPlaceAndAUniqueId) {
    std::set<int> ids;
    for (const ControlDef& c : PanelControlTable()) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        EXPECT_TRUE(TemplatePlace(c.id).has_value()) << c.id;
    }
    // Everything the layout moves exists in the control table, and the
    // display-data pair is the only part it leaves alone.
    auto m = ById(LayoutPanel(LayoutInput{640}));
    for (const auto& [id, place] : m) EXPECT_TRUE(ids.count(id)) << id;
    EXPECT_EQ(m.size() + 2, ids.size());
    EXPECT_EQ(m.count(1047), 0u);
    EXPECT_EQ(m.count(1048), 0u);
    // The display-data selector stays above the frame and left of its right edge.
    for (int id : {1047, 1048}) {
        ControlPlace p = *TemplatePlace(id);
        EXPECT_LE(p.x + p.width, 605) << id;
        EXPECT_LE(p.y + p.height, 30) << id;
    }
    EXPECT_FALSE(TemplatePlace(999).has_value());
}

}  // namespace
}  // namespace vmf
