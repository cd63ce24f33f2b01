#pragma once
// Conversion between UTF-8 (what the program's own code and the GUI use) and
// code page 932 (Shift-JIS as Windows extends it), the encoding of every string
// in the store and the data file.

#include <string>
#include <string_view>

namespace vmf {

// UTF-8 to CP932. Characters CP932 cannot hold become '?'.
std::string Utf8ToCp932(std::string_view utf8);
// CP932 to UTF-8. Invalid byte sequences become U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);
// UTF-16LE code units to CP932 (the data file's UTF-16 string form).
std::string Utf16ToCp932(std::u16string_view utf16);

}  // namespace vmf
