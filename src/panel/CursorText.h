#pragma once
// The status-bar text for the mouse over the graph's plot box: the
// wavelength under the cursor and the value there of every curve the graph
// draws (measured counts, ratio percent, comparison counts), in the order
// they are drawn. The pixel column of the plot box is the grid index.

#include <array>
#include <optional>
#include <string>

#include "panel/GraphMath.h"
#include "spectrum/SpectrumWorkspace.h"

namespace vmf {

// What the graph draws, as DrawGraph decides it.
struct CursorCurves {
    const SpectrumWorkspace* ws = nullptr;
    int headCount = 0;
    bool barDisplay = false;
    bool selectedOnly = false;
    int selectedHead = -1;
    MeasuringMethod method = MeasuringMethod::LightSource;
    const std::array<std::array<float, GRID_POINTS>, MAX_HEADS>* compare = nullptr;
    int compareHeadCount = 0;
    bool compareDrawable = false;
};

// The grid index under frame point (x, y), or nothing outside the plot box.
std::optional<int> PlotIndexAt(const GraphLayout& layout, int x, int y);

// "<nm> nm   ヘッド1 <counts>   比較1 <counts>   ヘッド1 比率 <percent> %" for
// grid index k (0..510); values with one decimal.
std::string CursorText(const CursorCurves& curves, int k);

}  // namespace vmf
