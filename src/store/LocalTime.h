#pragma once
// Local time for the stamps the program writes (history lines, document
// titles, time-stamped file names), with the platform's thread-safe call.

#include <ctime>
#include <optional>
#include <string>

namespace vmf {

// `now` as local time, or nothing when the C library cannot convert it.
std::optional<std::tm> LocalTime(std::time_t now);

// `now` as local time formatted with strftime's `format`; empty when the
// conversion fails or the text would exceed 255 bytes.
std::string FormatLocalTime(std::time_t now, const char* format);

}  // namespace vmf
