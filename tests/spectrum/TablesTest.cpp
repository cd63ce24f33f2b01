#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "spectrum/CieObserver.h"
#include "spectrum/CurveLookup.h"
#include "spectrum/LampCurve.h"
#include "spectrum/ResponseCurve.h"
#include "spectrum/WavelengthColour.h"

namespace vmf {
namespace {

TEST(CieObserver, EqualsPublishedTableInSinglePrecision) {
    std::ifstream in(SPECTRUM_TEST_DATA "/cie1931_2deg_5nm.csv");
    std::string line;
    std::getline(in, line);
    size_t row = 0;
    while (std::getline(in, line)) {
        std::stringstream ss(line);
        std::string cell[4];
        for (auto& c : cell) std::getline(ss, c, ',');
        ASSERT_LT(row, kCie1931.size());
        const CieRow& r = kCie1931[row];
        EXPECT_EQ(r.nm, static_cast<float>(CIE_START_NM + CIE_STEP_NM * static_cast<int>(row)));
        EXPECT_EQ(r.nm, std::strtof(cell[0].c_str(), nullptr)) << row;
        EXPECT_EQ(r.xbar, std::strtof(cell[1].c_str(), nullptr)) << row;
        EXPECT_EQ(r.ybar, std::strtof(cell[2].c_str(), nullptr)) << row;
        EXPECT_EQ(r.zbar, std::strtof(cell[3].c_str(), nullptr)) << row;
        ++row;
    }
    EXPECT_EQ(row, 95u);
    EXPECT_EQ(kCie1931[39].nm, 555.0f);
    EXPECT_EQ(kCie1931[39].xbar, 0.5120501f);
    EXPECT_EQ(kCie1931[39].ybar, 1.0f);
    EXPECT_EQ(kCie1931[39].zbar, 0.005749999f);
}

TEST(WavelengthColour, FloorOfFractionGivesBandColours) {
    const std::map<int, Rgb8> coloured = {
        {380, {15, 0, 28}},   {390, {22, 0, 42}},   {400, {35, 0, 67}},   {410, {52, 0, 101}},
        {420, {79, 0, 154}},  {430, {101, 0, 205}}, {440, {103, 0, 223}}, {450, {87, 0, 224}},
        {460, {28, 0, 219}},  {470, {0, 38, 198}},  {480, {0, 98, 166}},  {490, {0, 126, 132}},
        {500, {0, 151, 102}}, {510, {0, 177, 65}},  {520, {0, 198, 0}},   {530, {0, 208, 0}},
        {540, {0, 210, 0}},   {550, {0, 207, 0}},   {560, {120, 197, 0}}, {570, {178, 182, 0}},
        {580, {216, 159, 0}}, {590, {241, 126, 0}}, {600, {254, 79, 0}},  {610, {255, 0, 0}},
        {620, {243, 0, 0}},   {630, {220, 0, 0}},   {640, {194, 0, 0}},   {650, {164, 0, 0}},
        {660, {134, 0, 0}},   {670, {106, 0, 0}},   {680, {84, 0, 0}},    {690, {64, 0, 0}},
        {700, {50, 0, 0}},    {710, {39, 0, 0}},    {720, {30, 0, 0}},    {730, {23, 0, 0}},
        {740, {17, 0, 0}},    {750, {13, 0, 0}},    {760, {10, 0, 0}},    {770, {9, 0, 2}},
    };
    for (int row = 0; row < WAVELENGTH_COLOUR_ROWS; ++row) {
        const WavelengthColourRow& w = wavelengthColour[static_cast<size_t>(row)];
        ASSERT_EQ(w.nm, 340 + 10 * row);
        const auto it = coloured.find(w.nm);
        const Rgb8 expected = it == coloured.end() ? Rgb8{} : it->second;
        EXPECT_EQ(WavelengthColourRgb(row), expected) << w.nm;
        // Whoever multiplies, in float or in double, gets the same byte.
        for (float f : {w.red, w.green, w.blue}) {
            ASSERT_GE(f, 0.0f);
            ASSERT_LE(f, 1.0f);
            EXPECT_EQ(std::floor(f * 255.0f), std::floor(static_cast<double>(f) * 255.0)) << w.nm;
        }
        EXPECT_EQ(static_cast<int>(std::floor(w.red * 255.0f)), expected.red) << w.nm;
    }
    EXPECT_EQ(GridPenColour(0), Rgb8{});
    EXPECT_EQ(GridPenColour(275), (Rgb8{255, 0, 0}));  // 615 nm -> row 610
    EXPECT_EQ(GridPenColour(510), Rgb8{});             // 850 nm row
    EXPECT_EQ(WavelengthColourRgb(52), Rgb8{});
    EXPECT_EQ(GridPenColour(-1), Rgb8{});
}

using Knots = std::vector<std::pair<int, float>>;

// Every characteristic value is met, and between two of them the table
// neither rises and falls.
void CheckCurve(const CurveTable& t, const Knots& knots, const char* name) {
    for (auto [nm, v] : knots) EXPECT_EQ(CurveValueAt(t, nm), v) << name << " " << nm;
    for (size_t i = 0; i + 1 < knots.size(); ++i) {
        bool up = true, down = true;
        for (int nm = knots[i].first; nm < knots[i + 1].first; ++nm) {
            up = up && CurveValueAt(t, nm) <= CurveValueAt(t, nm + 1);
            down = down && CurveValueAt(t, nm) >= CurveValueAt(t, nm + 1);
        }
        EXPECT_TRUE(up || down) << name << " between " << knots[i].first << " and "
                                << knots[i + 1].first;
    }
}

TEST(Curves, ResponseCurveMeetsCharacteristicValues) {
    const Knots knots = {{300, 54.63f}, {340, 54.63f}, {350, 61.98f}, {400, 95.31f}, {494, 99.41f},
                         {500, 98.53f}, {550, 78.0f},  {600, 77.52f}, {650, 65.32f}, {700, 48.14f},
                         {750, 31.7f},  {800, 19.42f}, {849, 10.16f}, {850, 9.5f},   {900, 9.5f}};
    CheckCurve(responseCurve, knots, "response");
    for (int nm = 300; nm <= 340; ++nm) EXPECT_EQ(CurveValueAt(responseCurve, nm), 54.63f);
    for (int nm = 850; nm <= 900; ++nm) EXPECT_EQ(CurveValueAt(responseCurve, nm), 9.5f);
    for (int nm = 300; nm <= 900; ++nm) EXPECT_LE(CurveValueAt(responseCurve, nm), 99.41f);
}

TEST(Curves, LampCurveMeetsCharacteristicValuesAndRises) {
    const Knots knots = {{300, 5.7e-05f},     {350, 5.7e-05f},     {360, 7.55e-05f},
                         {380, 0.00011579f},  {400, 0.000186088f}, {450, 0.000486997f},
                         {500, 0.000959991f}, {550, 0.001589735f}, {600, 0.002338452f},
                         {650, 0.003102136f}, {700, 0.003853217f}, {750, 0.004569184f},
                         {800, 0.005168002f}, {850, 0.005672839f}, {900, 0.006024358f}};
    CheckCurve(lampCurve, knots, "lamp");
    for (int nm = 300; nm < 900; ++nm) ASSERT_LE(lampCurve[nm - 300], lampCurve[nm - 299]) << nm;
}

TEST(CurveLookup, SmallestWholeNanometreAtOrAboveWavelength) {
    EXPECT_EQ(CurveLookup(responseCurve, 494.0f), 99.41f);
    EXPECT_EQ(CurveLookup(responseCurve, 850.0f), 9.5f);
    EXPECT_EQ(CurveLookup(lampCurve, 900.0f), 0.006024358f);
    EXPECT_EQ(CurveLookup(lampCurve, 900.01f), 0.0f);
    EXPECT_EQ(CurveLookup(lampCurve, std::nanf("")), 0.0f);
    // 849.25 lies in (849, 850]: a quarter of the way down from 10.16 to 9.5.
    EXPECT_EQ(CurveLookup(responseCurve, 849.25f),
              static_cast<float>(10.16f + 0.25 * (9.5f - 10.16f)));
    EXPECT_EQ(CurveLookup(lampCurve, 300.5f),
              static_cast<float>(lampCurve[0] + 0.5 * (double(lampCurve[1]) - lampCurve[0])));
    // Below the table the first segment is extended (flat for both curves).
    EXPECT_EQ(CurveLookup(responseCurve, 250.0f), 54.63f);
    EXPECT_EQ(CurveValueAt(responseCurve, 901), 0.0f);
}

}  // namespace
}  // namespace vmf
