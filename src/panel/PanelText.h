#pragma once
// Reading the numbers typed into the panel's edit boxes.

#include <string_view>

namespace vmf {

// Reads a decimal integer the way the panel's edits are read: leading blanks
// (space, tab, CR, LF, VT, FF) are skipped, one optional sign, then digits up
// to the first other character; no digits give 0. Values beyond the int range
// saturate at INT_MIN / INT_MAX instead of wrapping.
int ParseIntPrefix(std::string_view text);

}  // namespace vmf
