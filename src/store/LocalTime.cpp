#include "store/LocalTime.h"

namespace vmf {

std::optional<std::tm> LocalTime(std::time_t now) {
    std::tm local{};
#if defined(_WIN32)
    if (localtime_s(&local, &now) != 0) return std::nullopt;
#else
    if (!localtime_r(&now, &local)) return std::nullopt;
#endif
    return local;
}

std::string FormatLocalTime(std::time_t now, const char* format) {
    const std::optional<std::tm> local = LocalTime(now);
    if (!local) return {};
    char text[256];
    const size_t n = std::strftime(text, sizeof text, format, &*local);
    return std::string(text, n);
}

}  // namespace vmf
