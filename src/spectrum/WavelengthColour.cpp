#include "spectrum/WavelengthColour.h"

#include <cmath>

namespace vmf {

namespace {
uint8_t ToByte(float fraction) {
    // Same product and truncation the pens have always used; the clamp only
    // protects against a table edit outside 0..1.
    double v = std::floor(static_cast<double>(fraction * 255.0f));
    if (!(v > 0.0)) return 0;
    return v >= 255.0 ? uint8_t{255} : static_cast<uint8_t>(v);
}
}  // namespace

Rgb8 WavelengthColourRgb(int row) {
    if (row < 0 || row >= WAVELENGTH_COLOUR_ROWS) return {};
    const WavelengthColourRow& w = wavelengthColour[static_cast<size_t>(row)];
    return {ToByte(w.red), ToByte(w.green), ToByte(w.blue)};
}

Rgb8 GridPenColour(int k) { return k < 0 ? Rgb8{} : WavelengthColourRgb(k / 10); }

}  // namespace vmf
