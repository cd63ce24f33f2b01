#pragma once
// Whole-nanometre curve tables (300..900 nm, one value per nm) and the rule
// that reads them at a channel's fractional wavelength.

#include <array>
#include <cstddef>

namespace vmf {

inline constexpr int CURVE_START_NM = 300;
inline constexpr int CURVE_END_NM = 900;
inline constexpr int CURVE_POINTS = CURVE_END_NM - CURVE_START_NM + 1;  // 601

using CurveTable = std::array<float, CURVE_POINTS>;

// The table's value at a whole nanometre; 0 outside 300..900.
float CurveValueAt(const CurveTable& table, int nm);

// The value at wavelength lambda (nm): with k the smallest of 1..600 for
// which 300 + k is at least lambda, value(299 + k) + (lambda - (299 + k)) *
// (value(300 + k) - value(299 + k)), evaluated in double and stored as float.
// Below 300 nm the first segment is extended; above 900 nm (or NaN) gives 0.
float CurveLookup(const CurveTable& table, float lambda);

}  // namespace vmf
