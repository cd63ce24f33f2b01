#pragma once
// Numbers typed into the panel's edits, read the way the operator expects a
// plain integer field to behave: leading blanks and a sign accepted, reading
// stops at the first other character, no digits give 0. Values beyond the
// int range are held at its ends instead of wrapping.

#include <string_view>

namespace vmf {

int ParseTypedInteger(std::string_view text);

}  // namespace vmf
