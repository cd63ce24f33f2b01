#pragma once
// Reading numbers the way the numeric edit dialog and the panel's edit
// boxes take what was typed.

#include <string_view>

namespace vmf {

// The value of the longest prefix of `text` that is a decimal number:
// leading blanks (space, tab, CR, LF, VT, FF) skipped, an optional sign,
// digits with an optional full stop, an optional exponent (e/E, optional
// sign, digits; ignored when no digit follows). Returns 0 when no prefix is
// a number. Locale-independent: the decimal separator is always '.'.
// Hexadecimal, "inf" and "nan" are not numbers here. A magnitude beyond the
// range of double gives +/-HUGE_VAL, one below it gives 0 (as strtod does).
double ParseDecimalPrefix(std::string_view text);

// Reads a decimal integer the way the panel's edit boxes are read: leading
// blanks as above, one optional sign, then digits up to the first other
// character; no digits give 0. Values beyond the int range saturate at
// INT_MIN / INT_MAX instead of wrapping.
int ParseIntPrefix(std::string_view text);

}  // namespace vmf
