#pragma once
// The cells of a CSV file, each with its trailing comma. They produce exactly
// the bytes of the printf formats named beside them in the "C" locale, but go
// through std::to_chars: an export formats millions of cells and a locale
// switch plus vsnprintf per cell would dominate its time.

#include <string>

namespace vmf {

// "%*.1f," / "%*.0f," of value (promoted to double, as printf does), right-
// aligned to width with blanks. precision is 0 or 1.
void AppendFixedCell(std::string& out, double value, int width, int precision);
// "%*d," of value, right-aligned to width (0: no padding, i.e. "%d,").
void AppendIntCell(std::string& out, int value, int width);

// The cells of the CSV layouts by name.
inline void AppendValueCell(std::string& out, float v) { AppendFixedCell(out, v, 6, 1); }        // "%6.1f,"
inline void AppendTemperatureCell(std::string& out, float t) { AppendFixedCell(out, t, 4, 1); }  // "%4.1f,"
inline void AppendExposureCell(std::string& out, int us) { AppendIntCell(out, us, 6); }          // "%6d,"
inline void AppendRefExposureCell(std::string& out, float us) { AppendFixedCell(out, us, 6, 0); }  // "%6.0f,"

}  // namespace vmf
