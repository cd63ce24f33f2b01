#pragma once
// Reading a number the way the numeric edit dialog takes what was typed.

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

}  // namespace vmf
