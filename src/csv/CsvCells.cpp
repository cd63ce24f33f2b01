#include "csv/CsvCells.h"

#include <charconv>
#include <cstring>

namespace vmf {
namespace {

// Appends the digits right-aligned to width, then the comma.
void AppendPadded(std::string& out, const char* digits, size_t length, int width) {
    const size_t pad = width > 0 && length < static_cast<size_t>(width) ? static_cast<size_t>(width) - length : 0;
    const size_t old = out.size();
    out.resize(old + pad + length + 1);
    char* p = out.data() + old;
    std::memset(p, ' ', pad);
    std::memcpy(p + pad, digits, length);
    p[pad + length] = ',';
}

}  // namespace

void AppendFixedCell(std::string& out, double value, int width, int precision) {
    // Real counts fit the small buffer; only an absurd value from a damaged
    // file (up to 309 integer digits) needs the big one.
    char small[48];
    auto res = std::to_chars(small, small + sizeof small, value, std::chars_format::fixed, precision);
    if (res.ec == std::errc()) {
        AppendPadded(out, small, static_cast<size_t>(res.ptr - small), width);
        return;
    }
    char big[400];  // DBL_MAX in fixed notation has 309 integer digits
    res = std::to_chars(big, big + sizeof big, value, std::chars_format::fixed, precision);
    AppendPadded(out, big, res.ec == std::errc() ? static_cast<size_t>(res.ptr - big) : 0, width);
}

void AppendIntCell(std::string& out, int value, int width) {
    char digits[16];
    auto res = std::to_chars(digits, digits + sizeof digits, value);
    AppendPadded(out, digits, static_cast<size_t>(res.ptr - digits), width);
}

}  // namespace vmf
