#include "store/TextFormat.h"

#include <cstdio>

#if defined(_WIN32)
#include <locale.h>
#include <stdio.h>
#else
#include <locale.h>

#include <clocale>
#endif

namespace vmf {
namespace {

#if defined(_WIN32)
_locale_t CLocale() {
    static _locale_t loc = _create_locale(LC_ALL, "C");
    return loc;
}
#if defined(__MINGW32__)
// MinGW's own formatter rounds a tie to even, as glibc and the CSV cells do
// (msvcrt.dll gives "0.3" for 0.25 with "%.1f"), but takes the decimal point
// from the process locale: it is used only while that point is '.'.
bool PointIsDot() {
    const lconv* conv = localeconv();
    return conv && conv->decimal_point && conv->decimal_point[0] == '.' &&
           conv->decimal_point[1] == '\0';
}
int FormatInto(char* buf, size_t size, const char* fmt, va_list args) {
    if (PointIsDot()) return __mingw_vsnprintf(buf, size, fmt, args);
    return _vsnprintf_l(buf, size, fmt, CLocale(), args);
}
int MeasureFormat(const char* fmt, va_list args) {
    if (PointIsDot()) return __mingw_vsnprintf(nullptr, 0, fmt, args);
    return _vscprintf_l(fmt, CLocale(), args);
}
#else
int FormatInto(char* buf, size_t size, const char* fmt, va_list args) {
    return _vsnprintf_l(buf, size, fmt, CLocale(), args);
}
int MeasureFormat(const char* fmt, va_list args) { return _vscprintf_l(fmt, CLocale(), args); }
#endif
#else
locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}
// uselocale switches only the calling thread, so other threads are unaffected.
struct ScopedCLocale {
    locale_t previous;
    ScopedCLocale() : previous(uselocale(CLocale())) {}
    ~ScopedCLocale() { uselocale(previous); }
};
int FormatInto(char* buf, size_t size, const char* fmt, va_list args) {
    ScopedCLocale scope;
    return vsnprintf(buf, size, fmt, args);
}
int MeasureFormat(const char* fmt, va_list args) {
    ScopedCLocale scope;
    return vsnprintf(nullptr, 0, fmt, args);
}
#endif

void AppendV(std::string& out, const char* fmt, va_list args) {
    char small[256];
    va_list copy;
    va_copy(copy, args);
    int n = FormatInto(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof small) {
        out.append(small, static_cast<size_t>(n));
        return;
    }
    va_copy(copy, args);
    int needed = MeasureFormat(fmt, copy);
    va_end(copy);
    if (needed < 0) return;
    size_t old = out.size();
    out.resize(old + static_cast<size_t>(needed) + 1);
    va_copy(copy, args);
    FormatInto(out.data() + old, static_cast<size_t>(needed) + 1, fmt, copy);
    va_end(copy);
    out.resize(old + static_cast<size_t>(needed));
}

}  // namespace

std::string CFormatV(const char* fmt, va_list args) {
    std::string out;
    AppendV(out, fmt, args);
    return out;
}

std::string CFormat(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = CFormatV(fmt, args);
    va_end(args);
    return out;
}

void CFormatAppend(std::string& out, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    AppendV(out, fmt, args);
    va_end(args);
}

}  // namespace vmf
