#pragma once
// The cells of a CSV file, each with its trailing comma. They produce exactly
// the bytes of the printf formats named beside them in the "C" locale, but
// without printf: an export formats millions of cells, and a locale switch
// plus vsnprintf per cell would dominate its time.

#include <cstddef>
#include <string>

namespace vmf {

// The most bytes one cell can take (a double's 309 integer digits, sign,
// fraction, blanks and comma); real values take under 20.
inline constexpr std::size_t CSV_MAX_CELL_BYTES = 400;

// Writes "%*.1f," / "%*.0f," of value (promoted to double, as printf does),
// right-aligned to width with blanks, at dst, which must have room for
// CSV_MAX_CELL_BYTES. precision is 0 or 1. Returns the end of the cell.
char* PutFixedCell(char* dst, double value, int width, int precision);
// Writes "%*d," of value (width 0: "%d,"), the same way.
char* PutIntCell(char* dst, int value, int width);

// The same cells appended to a string.
void AppendFixedCell(std::string& out, double value, int width, int precision);
void AppendIntCell(std::string& out, int value, int width);

// The cells of the CSV layouts by name.
// "%6.1f,", the cell of nearly every byte of an export; the same bytes as
// PutFixedCell(d, v, 6, 1), with a short path for 0 <= v < 9999.95.
char* PutValueCell(char* d, float v);
inline char* PutTemperatureCell(char* d, float t) { return PutFixedCell(d, t, 4, 1); }  // "%4.1f,"
inline char* PutExposureCell(char* d, int us) { return PutIntCell(d, us, 6); }          // "%6d,"
inline char* PutRefExposureCell(char* d, float us) {
    return PutFixedCell(d, us, 6, 0);
}  // "%6.0f,"
void AppendValueCell(std::string& out, float v);
inline void AppendTemperatureCell(std::string& out, float t) { AppendFixedCell(out, t, 4, 1); }
inline void AppendExposureCell(std::string& out, int us) { AppendIntCell(out, us, 6); }
inline void AppendRefExposureCell(std::string& out, float us) { AppendFixedCell(out, us, 6, 0); }

}  // namespace vmf
