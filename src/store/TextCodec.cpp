#include "store/TextCodec.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#endif

namespace vmf {

#if defined(_WIN32)
namespace {
std::wstring Widen(std::string_view s, UINT cp) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}
std::string Narrow(std::wstring_view w, UINT cp) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}
// Code page 932 holds nothing beyond the basic plane: a surrogate pair
// becomes one '?', as one character (Windows would give one per half).
std::wstring OneUnitPerCharacter(std::wstring w) {
    std::wstring out;
    out.reserve(w.size());
    for (size_t i = 0; i < w.size(); ++i) {
        const bool pair = w[i] >= 0xD800 && w[i] <= 0xDBFF && i + 1 < w.size() &&
                          w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF;
        out.push_back(pair ? L'?' : w[i]);
        if (pair) ++i;
    }
    return out;
}
}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    return Narrow(OneUnitPerCharacter(Widen(utf8, CP_UTF8)), 932);
}
std::string Cp932ToUtf8(std::string_view cp932) { return Narrow(Widen(cp932, 932), CP_UTF8); }
std::string Utf16ToCp932(std::u16string_view utf16) {
    return Narrow(OneUnitPerCharacter(std::wstring(
                      reinterpret_cast<const wchar_t*>(utf16.data()), utf16.size())),
                  932);
}
#else
namespace {
// Converts with iconv; an input sequence the target cannot take is replaced by
// `replacement` and skipped by `skipBytes` input bytes (the smallest unit).
std::string Convert(const char* to, const char* from, const char* in, size_t inLeft,
                    std::string_view replacement, size_t skipBytes) {
    std::string out;
    if (inLeft == 0) return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in, inLeft);
    out.reserve(inLeft * 2);
    char buf[4096];
    char* src = const_cast<char*>(in);
    while (inLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        size_t rc = iconv(cd, &src, &inLeft, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: replace one unit and carry on.
            out.append(replacement);
            size_t skip = std::min(skipBytes, inLeft);
            if (skipBytes == 1 && std::string_view(from) == "UTF-8") {
                // Skip a whole UTF-8 sequence, not just its lead byte.
                skip = 1;
                while (skip < inLeft && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80)
                    ++skip;
            }
            src += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, static_cast<size_t>(dst - buf));
    iconv_close(cd);
    return out;
}
}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    return Convert("CP932", "UTF-8", utf8.data(), utf8.size(), "?", 1);
}
std::string Cp932ToUtf8(std::string_view cp932) {
    return Convert("UTF-8", "CP932", cp932.data(), cp932.size(), "\xEF\xBF\xBD", 1);
}
std::string Utf16ToCp932(std::u16string_view utf16) {
    return Convert("CP932", "UTF-16LE", reinterpret_cast<const char*>(utf16.data()),
                   utf16.size() * 2, "?", 2);
}
#endif

}  // namespace vmf
