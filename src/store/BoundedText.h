#pragma once
// Text inputs (a spectrum CSV, a coefficient list) are read whole, but never
// without a bound: a path that names /dev/zero, a FIFO that never ends or a
// file of gigabytes is refused with a clear reason instead of taking all
// memory.

#include <cstddef>
#include <string>

namespace vmf {

// Why an input longer than limitBytes is refused, in the program's words.
std::string TooLargeText(std::size_t limitBytes);

// Reads the file at utf8Path into bytes, at most limitBytes of it. False with
// reason when it cannot be opened or read, or holds more than limitBytes
// (TooLargeText); bytes is then empty.
bool ReadBoundedText(const std::string& utf8Path, std::size_t limitBytes, std::string& bytes,
                     std::string& reason);

}  // namespace vmf
