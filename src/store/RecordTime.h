#pragma once
// The time stamp of a record: UTC milliseconds since 1970-01-01T00:00:00Z and
// the local UTC offset in seconds (east positive) in force at that moment.
// Keeping the offset with the time lets a series be shown in the local time
// it was measured in, wherever and whenever the file is read later.

#include <cstdint>
#include <functional>
#include <string>

namespace vmf {

struct RecordTime {
    int64_t utcMs = 0;  // 0: no time
    int32_t utcOffsetS = 0;
};

// Now, from the system clock and the local time zone.
RecordTime SystemRecordTime();

// Where the acquisition takes its time stamps; tests fix it.
using WallClock = std::function<RecordTime()>;

// ISO 8601 local time with milliseconds and the offset, e.g.
// "2026-12-08T10:15:30.123+09:00"; empty for a record without a time (0 ms)
// or a time the C library cannot break down.
std::string FormatRecordTime(int64_t utcMs, int32_t utcOffsetS);

}  // namespace vmf
