#include "csv/CsvCells.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vmf {
namespace {

constexpr double kTwo52 = 4503599627370496.0;

// Rounds a non-negative value below 2^52 to the nearest integer, ties to
// even, exactly as the default rounding mode does for any sum: above 2^52
// the spacing of doubles is 1, so the addition itself rounds. Far cheaper
// than a library call that saves and restores the floating-point state.
inline double RoundHalfEven(double magnitude) {
#if FLT_EVAL_METHOD == 0
    return (magnitude + kTwo52) - kTwo52;
#else
    // Wider intermediate precision would defeat the addition trick.
    return std::nearbyint(magnitude);
#endif
}

inline int DigitCount(uint64_t n) {
    int d = 1;
    for (; n >= 100; n /= 100) d += 2;
    return n >= 10 ? d + 1 : d;
}

// "00" to "99": two digits per division halves the divisions of a number.
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Blanks, sign and the digits of n, then an optional one-digit fraction,
// then the comma. The cell is laid out from its known length backwards.
inline char* PutNumber(char* d, uint64_t n, bool negative, int fraction, int width) {
    const int digits = DigitCount(n);
    const int length = digits + (negative ? 1 : 0) + (fraction >= 0 ? 2 : 0);
    const int field = length < width ? width : length;
    char* end = d + field;
    char* q = end;
    if (fraction >= 0) {
        *--q = static_cast<char>('0' + fraction);
        *--q = '.';
    }
    while (n >= 100) {
        const size_t pair = static_cast<size_t>(n % 100) * 2;
        n /= 100;
        q -= 2;
        q[0] = kPairs[pair];
        q[1] = kPairs[pair + 1];
    }
    if (n >= 10) {
        q -= 2;
        q[0] = kPairs[n * 2];
        q[1] = kPairs[n * 2 + 1];
    } else {
        *--q = static_cast<char>('0' + n);
    }
    if (negative) *--q = '-';
    while (q > d) *--q = ' ';
    *end = ',';
    return end + 1;
}

}  // namespace

char* PutFixedCell(char* d, double value, int width, int precision) {
    // The common case: a float times 10 is exact in double (24 + 4
    // significant bits), so rounding it to an integer rounds the exact
    // decimal value exactly as printf does.
    const double scaled = precision == 1 ? value * 10.0 : value;
    const double magnitude = std::fabs(scaled);
    const bool exact = precision == 0 || static_cast<double>(static_cast<float>(value)) == value;
    if (magnitude < kTwo52 && exact) {  // false for NaN
        const uint64_t n = static_cast<uint64_t>(RoundHalfEven(magnitude));
        // printf keeps the sign of a negative value that rounds to zero ("-0.0").
        const bool negative = std::signbit(value);
        if (precision == 1) return PutNumber(d, n / 10, negative, static_cast<int>(n % 10), width);
        return PutNumber(d, n, negative, -1, width);
    }
    // Only an absurd value from a damaged file, NaN or an infinity.
    char text[CSV_MAX_CELL_BYTES - 8];
    auto res = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, precision);
    const size_t length = res.ec == std::errc() ? static_cast<size_t>(res.ptr - text) : 0;
    for (size_t k = length; k < static_cast<size_t>(width > 0 ? width : 0); ++k) *d++ = ' ';
    std::memcpy(d, text, length);
    d += length;
    *d++ = ',';
    return d;
}

char* PutValueCell(char* d, float v) {
    const double scaled = static_cast<double>(v) * 10.0;
    // Below 99999.5 the tenths round to at most 9999.9: four integer digits,
    // so the field is exactly six characters and needs no length count.
    if (!(scaled < 99999.5) || std::signbit(v)) return PutFixedCell(d, v, 6, 1);  // also NaN
    const uint32_t n = static_cast<uint32_t>(RoundHalfEven(scaled));
    uint32_t whole = n / 10;
    std::memcpy(d, "    ", 4);
    char* q = d + 4;
    if (whole >= 100) {
        const uint32_t low = (whole % 100) * 2;
        whole /= 100;
        q -= 2;
        q[0] = kPairs[low];
        q[1] = kPairs[low + 1];
    }
    if (whole >= 10) {
        q -= 2;
        q[0] = kPairs[whole * 2];
        q[1] = kPairs[whole * 2 + 1];
    } else {
        q[-1] = static_cast<char>('0' + whole);
    }
    d[4] = '.';
    d[5] = static_cast<char>('0' + n % 10);
    d[6] = ',';
    return d + 7;
}

char* PutIntCell(char* d, int value, int width) {
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? static_cast<uint64_t>(-static_cast<int64_t>(value))
                                        : static_cast<uint64_t>(value);
    return PutNumber(d, magnitude, negative, -1, width);
}

void AppendFixedCell(std::string& out, double value, int width, int precision) {
    char cell[CSV_MAX_CELL_BYTES];
    out.append(cell, static_cast<size_t>(PutFixedCell(cell, value, width, precision) - cell));
}

void AppendValueCell(std::string& out, float v) {
    char cell[CSV_MAX_CELL_BYTES];
    out.append(cell, static_cast<size_t>(PutValueCell(cell, v) - cell));
}

void AppendIntCell(std::string& out, int value, int width) {
    char cell[CSV_MAX_CELL_BYTES];
    out.append(cell, static_cast<size_t>(PutIntCell(cell, value, width) - cell));
}

}  // namespace vmf
