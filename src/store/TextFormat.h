#pragma once
// printf-style formatting that never depends on the process locale: a Qt
// application adopts the desktop's LC_NUMERIC, and a decimal comma would break
// every CSV file and info line. Use this for every number the program shows or
// writes.

#include <cstdarg>
#include <string>

namespace vmf {

// Formats like snprintf in the "C" locale. Thread-safe.
std::string CFormat(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

std::string CFormatV(const char* fmt, va_list args);

// Appends the formatted text to out (avoids a temporary in hot loops).
void CFormatAppend(std::string& out, const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

}  // namespace vmf
