#include "store/JournalFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "store/Crc32.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/DataArchive.h"
#include "store/FileHandle.h"

namespace vmf {
namespace {

// The set-up frame holds the history, which grows with every note; far
// beyond what a day of measuring writes, short of what would exhaust memory.
constexpr uint32_t kMaxPayload = 64u << 20;
constexpr std::size_t kRecordHead = 32;  // the fixed part of one record entry

void Put32(std::string& out, uint32_t v) {
    char b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(v >> (8 * i));
    out.append(b, 4);
}
uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint64_t Get64(const unsigned char* p) {
    return static_cast<uint64_t>(Get32(p)) | static_cast<uint64_t>(Get32(p + 4)) << 32;
}

void PutFloats(std::string& out, const float* v, std::size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        out.append(reinterpret_cast<const char*>(v), n * sizeof(float));
    } else {
        for (std::size_t i = 0; i < n; ++i) Put32(out, std::bit_cast<uint32_t>(v[i]));
    }
}
void GetFloats(const unsigned char* p, float* v, std::size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(v, p, n * sizeof(float));
    } else {
        for (std::size_t i = 0; i < n; ++i) v[i] = std::bit_cast<float>(Get32(p + 4 * i));
    }
}

bool ReadSetup(const unsigned char* p, std::size_t n, Cvarnello_mfDoc& doc) {
    try {
        DataArchive ar(p, n, "journal");
        doc.PersistSetup(ar);
        std::string history;
        ar.String(history);
        doc.historyText = std::move(history);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// A set-up replaces the one before, but never takes away a head that holds
// records or changes how many channels its records have: the records
// replayed so far would then sit in slots the store no longer has. It is read
// into scratch first, so one that does not fit leaves doc as it was.
bool ApplySetup(const unsigned char* p, std::size_t n, Cvarnello_mfDoc& doc,
                std::unique_ptr<Cvarnello_mfDoc>& scratch) {
    if (!scratch) scratch = std::make_unique<Cvarnello_mfDoc>();
    if (!ReadSetup(p, n, *scratch)) return false;
    for (int a = 0; a < MAX_HEADS; ++a) {
        if (doc.recordCount[a] == 0) continue;
        if (a >= scratch->headCount || scratch->channelCount[a] != doc.channelCount[a])
            return false;
    }
    return ReadSetup(p, n, doc);
}

// Two passes: the whole frame is checked against the store before any
// record of it goes in, so a frame either counts or leaves no trace.
bool ApplyRecords(const unsigned char* p, std::size_t n, Cvarnello_mfDoc& doc, bool& noMemory) {
    if (n < 4) return false;
    const uint32_t count = Get32(p);
    std::array<int32_t, MAX_HEADS> next = doc.recordCount;
    std::size_t at = 4;
    for (uint32_t k = 0; k < count; ++k) {
        if (n - at < kRecordHead) return false;
        const int32_t a = static_cast<int32_t>(Get32(p + at));
        const int32_t r = static_cast<int32_t>(Get32(p + at + 4));
        const uint32_t c = Get32(p + at + 28);
        // Records come in the order they were counted: each is the next
        // slot of a head the set-up has, with that head's channels.
        if (a < 0 || a >= doc.headCount || r != next[a] || r >= LAST_RECORD ||
            c != static_cast<uint32_t>(doc.channelCount[a]) || (n - at - kRecordHead) / 8 < c)
            return false;
        next[a] = r + 1;
        at += kRecordHead + 8 * static_cast<std::size_t>(c);
    }
    if (at != n) return false;
    at = 4;
    for (uint32_t k = 0; k < count; ++k) {
        const unsigned char* e = p + at;
        const int a = static_cast<int>(Get32(e));
        const int r = static_cast<int>(Get32(e + 4));
        const std::size_t c = Get32(e + 28);
        if (!doc.EnsureRecordArrays(a, r)) {
            noMemory = true;
            return false;
        }
        doc.recExposureUs(a, r) = static_cast<int32_t>(Get32(e + 8));
        doc.recTemperatureC(a, r) = std::bit_cast<float>(Get32(e + 12));
        doc.recTimeUtcMs(a, r) = static_cast<int64_t>(Get64(e + 16));
        doc.recUtcOffsetS(a, r) = static_cast<int32_t>(Get32(e + 24));
        float* raw = doc.recRaw(a, r);
        float* processed = doc.recProcessed(a, r);
        std::fill(raw, raw + MAX_CHANNELS, 0.0f);
        std::fill(processed, processed + MAX_CHANNELS, 0.0f);
        GetFloats(e + kRecordHead, raw, c);
        GetFloats(e + kRecordHead + 4 * c, processed, c);
        doc.recordCount[a] = r + 1;
        at += kRecordHead + 8 * c;
    }
    return true;
}

}  // namespace

std::string JournalSetupPayload(const Cvarnello_mfDoc& doc) {
    std::string out;
    DataArchive ar(out, "journal");
    // Storing only reads the fields.
    auto& fields = const_cast<Cvarnello_mfDoc&>(doc);
    fields.PersistSetup(ar);
    ar.String(fields.historyText);
    ar.Flush();
    return out;
}

void AppendJournalRecords(std::string& payload, const Cvarnello_mfDoc& doc, const int* slots,
                          int heads) {
    const std::size_t countAt = payload.size();
    Put32(payload, 0);
    uint32_t count = 0;
    for (int a = 0; a < std::clamp(heads, 0, MAX_HEADS); ++a) {
        const int r = slots[a];
        if (r < 0 || r >= MAX_RECORDS) continue;
        const float* raw = doc.recRaw(a, r);
        const float* processed = doc.recProcessed(a, r);
        if (!raw || !processed) continue;
        const uint32_t c = static_cast<uint32_t>(std::clamp(doc.channelCount[a], 0, MAX_CHANNELS));
        // The fixed part in one piece: this runs in the cycle's hand-over.
        char head[kRecordHead];
        const uint64_t ms = static_cast<uint64_t>(doc.recTimeUtcMs(a, r));
        const uint32_t words[] = {static_cast<uint32_t>(a),
                                  static_cast<uint32_t>(r),
                                  static_cast<uint32_t>(doc.recExposureUs(a, r)),
                                  std::bit_cast<uint32_t>(doc.recTemperatureC(a, r)),
                                  static_cast<uint32_t>(ms),
                                  static_cast<uint32_t>(ms >> 32),
                                  static_cast<uint32_t>(doc.recUtcOffsetS(a, r)),
                                  c};
        for (std::size_t w = 0; w < 8; ++w)
            for (int i = 0; i < 4; ++i) head[4 * w + i] = static_cast<char>(words[w] >> (8 * i));
        payload.append(head, sizeof head);
        PutFloats(payload, raw, c);
        PutFloats(payload, processed, c);
        ++count;
    }
    for (int i = 0; i < 4; ++i) payload[countAt + i] = static_cast<char>(count >> (8 * i));
}

void AppendJournalFrame(std::string& out, const char* tag, const std::string& payload) {
    const std::size_t start = out.size();
    out.append(tag, 4);
    Put32(out, static_cast<uint32_t>(payload.size()));
    out += payload;
    Put32(out, Crc32(0, out.data() + start, out.size() - start));
}

JournalReplay ReplayJournal(const JournalSource& source, Cvarnello_mfDoc& doc) {
    JournalReplay result;
    unsigned char magic[sizeof kJournalMagic];
    if (source(magic, sizeof magic, 0) != sizeof magic ||
        std::memcmp(magic, kJournalMagic, sizeof magic) != 0)
        return result;
    result.isJournal = true;
    uint64_t at = sizeof magic;
    result.goodBytes = at;
    std::vector<unsigned char> frame;
    std::unique_ptr<Cvarnello_mfDoc> scratch;
    for (;;) {
        unsigned char head[8];
        const std::size_t got = source(head, sizeof head, at);
        if (got == 0) return result;  // ends cleanly after a whole frame
        const uint32_t length = got == sizeof head ? Get32(head + 4) : 0;
        if (got < sizeof head || length > kMaxPayload) break;
        try {
            frame.resize(sizeof head + length + 4);
        } catch (const std::bad_alloc&) {
            result.outOfMemory = true;
            break;
        }
        std::memcpy(frame.data(), head, sizeof head);
        const std::size_t rest = length + 4;
        if (source(frame.data() + sizeof head, rest, at + sizeof head) != rest) break;
        if (Crc32(0, frame.data(), sizeof head + length) !=
            Get32(frame.data() + sizeof head + length))
            break;
        const unsigned char* payload = frame.data() + sizeof head;
        bool applied = false;
        if (std::memcmp(head, "SETU", 4) == 0)
            applied = ApplySetup(payload, length, doc, scratch);
        else if (std::memcmp(head, "RECS", 4) == 0)
            applied = ApplyRecords(payload, length, doc, result.outOfMemory);
        if (!applied) break;
        ++result.frames;
        at += frame.size();
        result.goodBytes = at;
    }
    result.damaged = true;
    return result;
}

JournalReplay ReplayJournal(const void* data, std::size_t n, Cvarnello_mfDoc& doc) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    return ReplayJournal(
        [bytes, n](void* out, std::size_t want, uint64_t offset) -> std::size_t {
            if (offset >= n) return 0;
            const std::size_t m = static_cast<std::size_t>(std::min<uint64_t>(want, n - offset));
            std::memcpy(out, bytes + offset, m);
            return m;
        },
        doc);
}

bool ReplayJournalFile(const std::string& utf8Path, Cvarnello_mfDoc& doc, JournalReplay& replay,
                       std::string& error) {
    FileHandle file;
    std::string reason;
    if (!file.OpenRead(utf8Path, reason)) {
        error = utf8Path + " を開けませんでした。(" + reason + ")";
        return false;
    }
    bool readFailed = false;
    replay = ReplayJournal(
        [&](void* out, std::size_t want, uint64_t offset) -> std::size_t {
            std::size_t got = 0;
            while (got < want) {
                const std::ptrdiff_t n =
                    file.ReadAt(static_cast<char*>(out) + got, want - got, offset + got, reason);
                if (n < 0) readFailed = true;
                if (n <= 0) break;
                got += static_cast<std::size_t>(n);
            }
            return got;
        },
        doc);
    if (!replay.isJournal) {
        error = readFailed ? utf8Path + " を読み込めませんでした。(" + reason + ")"
                           : utf8Path + " は計測の記録ジャーナルではありません。";
        return false;
    }
    return true;
}

}  // namespace vmf
