#include "common/NumberParse.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace vmf {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Roughly the decimal exponent of a valid unsigned number's leading nonzero
// digit (1 for "1.5", 0 for "0.5", -2 for "0.005", 401 for "1e400"), enough
// to tell overflow from underflow when the value is out of range. Saturates
// instead of overflowing for absurdly long exponents.
long long DecimalMagnitude(const std::string& number) {
    const auto epos = number.find_first_of("eE");
    const std::string mantissa = number.substr(0, epos);
    long long magnitude = 0;
    const auto point = mantissa.find('.');
    const std::string whole = mantissa.substr(0, point);
    const auto firstNonZero = whole.find_first_not_of('0');
    if (firstNonZero != std::string::npos) {
        magnitude = static_cast<long long>(whole.size() - firstNonZero);
    } else if (point != std::string::npos) {
        const std::string fraction = mantissa.substr(point + 1);
        const auto nz = fraction.find_first_not_of('0');
        if (nz == std::string::npos) return 0;  // the number is zero
        magnitude = -static_cast<long long>(nz);
    }
    if (epos != std::string::npos) {
        size_t j = epos + 1;
        const bool negative = number[j] == '-';
        if (number[j] == '+' || number[j] == '-') ++j;
        long long exponent = 0;
        for (; j < number.size() && exponent < 1000000000LL; ++j)
            exponent = exponent * 10 + (number[j] - '0');
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

}  // namespace

double ParseDecimalPrefix(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    // The mantissa: digits, optionally a full stop and more digits; at least
    // one digit on either side of the stop.
    const size_t start = i;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    size_t end = i;

    // The exponent counts only when at least one digit follows its sign.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            end = j;
        }
    }

    const std::string number(text.substr(start, end - start));
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                           std::chars_format::general);
    if (ec == std::errc::result_out_of_range)
        value = DecimalMagnitude(number) > 0 ? HUGE_VAL : 0.0;
    else if (ec != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

int ParseIntPrefix(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate in a wider type and stop growing once past the int range, so
    // a long run of digits saturates instead of overflowing.
    long long value = 0;
    constexpr long long limit = static_cast<long long>(INT_MAX) + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value <= limit) value = value * 10 + (text[i] - '0');
    }
    if (negative) return value >= limit ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace vmf
