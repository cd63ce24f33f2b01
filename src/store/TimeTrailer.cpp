#include "store/TimeTrailer.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "store/Crc32.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

constexpr char kMagic[8] = {'V', 'Q', 'T', 'R', 'A', 'I', 'L', '1'};
constexpr uint32_t kVersion = 1;
constexpr std::size_t kEntryBytes = 12;
// Ten heads of 86399 records and room for sections a later version may add;
// a length beyond it is damage, not a reason to allocate gigabytes.
constexpr uint64_t kMaxPayload = 64u << 20;

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void Put64(std::string& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint64_t Get64(const unsigned char* p) {
    return static_cast<uint64_t>(Get32(p)) | static_cast<uint64_t>(Get32(p + 4)) << 32;
}

int Heads(const Cvarnello_mfDoc& doc) { return std::clamp(doc.headCount, 0, MAX_HEADS); }
int Records(const Cvarnello_mfDoc& doc, int a) {
    return std::clamp(doc.recordCount[a], 0, MAX_RECORDS);
}

// Checks a TIME section against doc's heads and counts; when apply is set,
// also copies the times in (only ever after a check has passed).
bool TimeSection(const unsigned char* p, uint64_t n, Cvarnello_mfDoc& doc, bool apply) {
    if (n < 4 || Get32(p) != static_cast<uint32_t>(Heads(doc))) return false;
    uint64_t at = 4;
    for (int a = 0; a < Heads(doc); ++a) {
        if (n - at < 4) return false;
        const uint32_t r = Get32(p + at);
        at += 4;
        if (r != static_cast<uint32_t>(Records(doc, a)) || (n - at) / kEntryBytes < r) return false;
        for (uint32_t k = 0; apply && k < r; ++k) {
            const unsigned char* e = p + at + k * kEntryBytes;
            doc.recTimeUtcMs(a, static_cast<int>(k)) = static_cast<int64_t>(Get64(e));
            doc.recUtcOffsetS(a, static_cast<int>(k)) = static_cast<int32_t>(Get32(e + 8));
        }
        at += static_cast<uint64_t>(r) * kEntryBytes;
    }
    return at == n;
}

}  // namespace

std::string EncodeTimeTrailer(const Cvarnello_mfDoc& doc) {
    if (!doc.HasRecordTimes()) return {};
    std::string section;
    Put32(section, static_cast<uint32_t>(Heads(doc)));
    for (int a = 0; a < Heads(doc); ++a) {
        const int r = Records(doc, a);
        Put32(section, static_cast<uint32_t>(r));
        for (int k = 0; k < r; ++k) {
            Put64(section, static_cast<uint64_t>(doc.recTimeUtcMs(a, k)));
            Put32(section, static_cast<uint32_t>(doc.recUtcOffsetS(a, k)));
        }
    }
    std::string out(kMagic, sizeof kMagic);
    Put32(out, kVersion);
    Put64(out, 12 + section.size());
    out += "TIME";
    Put64(out, section.size());
    out += section;
    Put32(out, Crc32(0, out.data(), out.size()));
    return out;
}

uint64_t EncodedTrailerSize(const Cvarnello_mfDoc& doc) {
    if (!doc.HasRecordTimes()) return 0;
    uint64_t section = 4;
    for (int a = 0; a < Heads(doc); ++a) section += 4 + 12 * static_cast<uint64_t>(Records(doc, a));
    return kTrailerHeaderBytes + 12 + section + 4;
}

std::size_t TrailerSize(const unsigned char* head, std::size_t n) {
    if (n < sizeof kMagic || std::memcmp(head, kMagic, sizeof kMagic) != 0) return 0;
    if (n < kTrailerHeaderBytes) return std::numeric_limits<std::size_t>::max();
    const uint64_t payload = Get64(head + 12);
    if (payload > kMaxPayload) return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(kTrailerHeaderBytes + payload + 4);
}

TrailerOutcome ApplyTimeTrailer(const unsigned char* bytes, std::size_t n, Cvarnello_mfDoc& doc) {
    const std::size_t size = TrailerSize(bytes, n);
    if (size == 0) return TrailerOutcome::Absent;
    if (size == std::numeric_limits<std::size_t>::max() || n < size)
        return TrailerOutcome::Ignored;
    if (Get32(bytes + 8) != kVersion) return TrailerOutcome::Ignored;
    if (Crc32(0, bytes, size - 4) != Get32(bytes + size - 4)) return TrailerOutcome::Ignored;
    const unsigned char* payload = bytes + kTrailerHeaderBytes;
    const uint64_t length = size - kTrailerHeaderBytes - 4;
    const unsigned char* times = nullptr;
    uint64_t timesLength = 0;
    for (uint64_t at = 0; at < length;) {
        if (length - at < 12) return TrailerOutcome::Ignored;
        const uint64_t n2 = Get64(payload + at + 4);
        if (length - at - 12 < n2) return TrailerOutcome::Ignored;
        if (!times && std::memcmp(payload + at, "TIME", 4) == 0) {
            times = payload + at + 12;
            timesLength = n2;
        }
        at += 12 + n2;
    }
    if (!times) return TrailerOutcome::Applied;  // a valid trailer without times
    if (!TimeSection(times, timesLength, doc, false)) return TrailerOutcome::Ignored;
    TimeSection(times, timesLength, doc, true);
    return TrailerOutcome::Applied;
}

}  // namespace vmf
