#include "store/RecordTime.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace vmf {

RecordTime SystemRecordTime() {
    using namespace std::chrono;
    RecordTime t;
    t.utcMs = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(t.utcMs / 1000);
    std::tm local{};
#if defined(_WIN32)
    if (localtime_s(&local, &seconds) == 0) {
        const std::time_t asUtc = _mkgmtime(&local);
        if (asUtc != static_cast<std::time_t>(-1))
            t.utcOffsetS = static_cast<int32_t>(asUtc - seconds);
    }
#else
    if (localtime_r(&seconds, &local)) t.utcOffsetS = static_cast<int32_t>(local.tm_gmtoff);
#endif
    return t;
}

std::string FormatRecordTime(int64_t utcMs, int32_t utcOffsetS) {
    if (utcMs == 0) return {};
    // The wall-clock reading at the recorded offset, broken down as if UTC,
    // so the text does not depend on the zone of the machine reading it.
    const int64_t localMs = utcMs + static_cast<int64_t>(utcOffsetS) * 1000;
    int64_t seconds = localMs / 1000;
    int64_t ms = localMs % 1000;
    if (ms < 0) {
        ms += 1000;
        --seconds;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts{};
#if defined(_WIN32)
    if (gmtime_s(&parts, &t) != 0) return {};
#else
    if (!gmtime_r(&t, &parts)) return {};
#endif
    char text[64];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    if (n == 0) return {};
    const int32_t off = utcOffsetS < 0 ? -utcOffsetS : utcOffsetS;
    char tail[32];
    std::snprintf(tail, sizeof tail, ".%03d%c%02d:%02d", static_cast<int>(ms),
                  utcOffsetS < 0 ? '-' : '+', static_cast<int>(off / 3600),
                  static_cast<int>(off / 60 % 60));
    return std::string(text, n) + tail;
}

}  // namespace vmf
