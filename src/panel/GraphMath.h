#pragma once
// The arithmetic behind the spectrum graph, kept apart from painting so every
// pixel position, label text and colour can be checked without a window:
// the box rectangles, the plot box, axis ticks and labels, value heights, the
// head pen colours and the corner hit test for editing the axis limits.
//
// Rectangles follow the (left, top, right, bottom) convention of the drawing
// surface: a box covers the pixels left..right-1 and top..bottom-1, and its
// border lies on the outermost of those pixels.

#include <cstdint>
#include <string>
#include <vector>

namespace vmf {

struct GraphRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    friend constexpr bool operator==(const GraphRect&, const GraphRect&) = default;
};

// The frame control inside the panel: (x, y) = (5, 30), 600 wide, H - 35 high.
inline constexpr int FRAME_X = 5;
inline constexpr int FRAME_Y = 30;
inline constexpr int FRAME_WIDTH = 600;
inline constexpr int FRAME_HEIGHT_MARGIN = 35;

// One pixel per grid point (340..850 nm).
inline constexpr int PLOT_WIDTH = 511;

// The four boxes and the plot box, in frame coordinates, for a panel client
// height H. Nothing is clamped: a very small H gives empty or inverted boxes,
// which the renderer draws nothing into.
struct GraphLayout {
    GraphRect info;       // (5, 5, 595, 35)
    GraphRect graph;      // G = (5, 40, 595, H - 120)
    GraphRect colourBar;  // (5, H - 115, 595, H - 95)
    GraphRect message;    // (5, H - 90, 595, H - 40)
    GraphRect plot;  // P: right = G.right - 40, left = P.right - 511, top = G.top + 5, bottom =
                     // G.bottom - 25
    int plotH = 0;   // P.bottom - P.top
    int frameHeight = 0;  // H - 35
};
GraphLayout ComputeGraphLayout(int panelHeight);

// Left-axis tick step for R = graphMax - graphMin: 100 (R <= 1000), 500
// (R <= 2000), 1000 (R < 10000), 5000 otherwise; 0 when R <= 0, meaning no
// ticks at all.
int TickStep(int graphMax, int graphMin);

// ratioMax * graphMin / graphMax in integer arithmetic, truncated toward zero.
// A graphMax of 0 (only reachable through a hand-edited setting) gives 0.
int DeriveRatioMin(int ratioMax, int graphMin, int graphMax);

// One horizontal grid line of the left axis with its two labels.
struct AxisTick {
    int value = 0;           // counts
    int y = 0;               // frame coordinate of the line
    std::string leftLabel;   // "%4d" of value
    std::string rightLabel;  // "%3.0f" of value * ratioMax / graphMax
};

// Every multiple of the tick step from graphMin up to graphMax - 1 (negative
// multiples included), at y = P.bottom - (v - graphMin) * plotH / R in integer
// arithmetic. Empty when R <= 0 or graphMax == 0. Ticks that would share a
// pixel row with the one before are left out (only for R of millions).
std::vector<AxisTick> LeftAxisTicks(int graphMax, int graphMin, int ratioMax,
                                    const GraphLayout& layout);

// One vertical grid line of the wavelength axis.
struct WavelengthTick {
    int index = 0;  // grid index; the line is at x = P.left + index
    int nm = 0;
    std::string label;  // "%d" of nm
};

// Grid indices 0..509 whose wavelength is a multiple of 50: 350, 400, ..., 800.
const std::vector<WavelengthTick>& WavelengthTicks();

// trunc((value - lo) * plotH / (hi - lo)) in single precision, clamped to
// 0..plotH. A NaN value, or an empty scale (hi == lo) with value <= lo, gives
// 0; an empty scale with value above lo gives plotH. Never divides by zero.
int ValueHeight(float value, int lo, int hi, int plotH);

// trunc(value) clamped to 0..plotH, for heights computed elsewhere (response
// and gain curves). NaN gives 0.
int ClampHeight(float value, int plotH);

// Head colour levels in 8-bit arithmetic: d(u) = (255 - 50u) mod 256,
// c(u) = (128 - 50u) mod 256.
constexpr uint8_t BrightLevel(int u) { return static_cast<uint8_t>(255 - 50 * u); }
constexpr uint8_t DimLevel(int u) { return static_cast<uint8_t>(128 - 50 * u); }

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb MeasuredColour(int u) { return {0, BrightLevel(u), 0}; }
constexpr Rgb ComparisonColour(int u) { return {BrightLevel(u), 0, 0}; }
constexpr Rgb RatioColour(int u) { return {60, 60, BrightLevel(u)}; }
constexpr Rgb GainColour(int u) { return {DimLevel(u), 0, BrightLevel(u)}; }
inline constexpr Rgb GRID_COLOUR{192, 192, 192};
inline constexpr Rgb RESPONSE_COLOUR{255, 128, 255};

// Which axis limit a click edits.
enum class AxisLimit { None, GraphMax, GraphMin, RatioMax };

// Hit test of a left click at panel coordinates (x, y) for a panel client
// height H: moved into frame coordinates (x - 5, y - 30), then the top-left
// corner of G (50 x 30) edits graphMax, the bottom-left corner graphMin and
// the top-right corner ratioMax, tested in that order; edges inclusive.
AxisLimit HitTestAxisCorner(int panelX, int panelY, int panelHeight);

// The lower bound of each limit: graphMax 500, graphMin -500, ratioMax 25.
int AxisLimitFloor(AxisLimit which);

// Ticks of a chart axis at round values: the step is 1, 2, 2.5 or 5 times a
// power of ten, the smallest that covers lo..hi with at most maxTicks ticks
// (steps of at least minStep); the range grows to whole steps.
struct RoundTicks {
    double min = 0, max = 1, step = 1;
    int count = 2;     // ticks from min to max
    int decimals = 0;  // digits after the point that show every tick exactly
};
RoundTicks RoundAxisTicks(double lo, double hi, int maxTicks, double minStep = 0);

// The value stored for an entered number: truncated toward zero, raised to the
// limit's floor. NaN gives the floor, values beyond the int range saturate.
int ApplyAxisLimit(AxisLimit which, double entered);

}  // namespace vmf
