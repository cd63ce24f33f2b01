// The record times' trailer after the history string: kept by save and load,
// invisible to a reader of the plain layout, ignored with a notice when
// damaged, and absent (old bytes exactly) from a store without times.

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>

#include "StoreSample.h"
#include "StoreTestUtil.h"
#include "store/Crc32.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/RecordTime.h"
#include "store/TimeTrailer.h"

namespace vmf::testing {
namespace {

void StampSample(Cvarnello_mfDoc& doc) {
    for (int a = 0; a < doc.headCount; ++a)
        for (int r = 0; r < doc.recordCount[a]; ++r) {
            doc.recTimeUtcMs(a, r) = 1796722138315 + 1001 * r + a;
            doc.recUtcOffsetS(a, r) = r % 2 ? -3600 : 32400;
        }
}

// FillSample with every record stamped, saved as dir's "t.vqdata".
void SaveStampedSample(const ScratchDir& dir, uint32_t seed, Cvarnello_mfDoc& doc) {
    FillSample(doc, seed);
    StampSample(doc);
    std::string error;
    ASSERT_TRUE(doc.SaveToFile(dir.File("t.vqdata"), error)) << error;
}

// A reader of the plain layout alone, as any reader of the format is written:
// it walks the fields and stops after the history string.
struct PlainRead {
    std::size_t at = 0;
    std::vector<int32_t> exposures;
    std::string history;
};
PlainRead ReadPlain(const std::vector<uint8_t>& f) {
    PlainRead p;
    auto i32 = [&] {
        int32_t v;
        std::memcpy(&v, &f.at(p.at), 4);
        p.at += 4;
        return v;
    };
    auto str = [&] {
        const std::size_t n = f.at(p.at++);  // short strings only in these files
        std::string s(f.begin() + static_cast<long>(p.at), f.begin() + static_cast<long>(p.at + n));
        p.at += n;
        return s;
    };
    const int heads = i32();
    std::vector<int> channels;
    for (int a = 0; a < heads; ++a) {
        channels.push_back(i32());
        str();
        str();
        p.at += 4 + 48 + 4 * 21 * channels[a] + 4 * channels[a] + 12 * (channels[a] + 1);
    }
    const int leds = i32();
    for (int j = 0; j < leds; ++j) p.at += 4 * i32();
    for (int a = 0; a < heads; ++a) {
        const int records = i32();
        for (int r = 0; r < records; ++r) {
            p.exposures.push_back(i32());
            p.at += 4 + 8 * channels[a];
        }
    }
    p.history = str();
    return p;
}

TEST(TimeTrailer, CrcIsZlibs) { EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u); }

TEST(TimeTrailer, SavedTimesLoadBackAndPlainReadersStillReadTheFile) {
    ScratchDir dir;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    SaveStampedSample(dir, 3, *doc);
    std::string error;

    auto loaded = std::make_unique<Cvarnello_mfDoc>();
    std::string notice;
    FileFailure failure;
    ASSERT_TRUE(loaded->LoadFromFile(dir.File("t.vqdata"), error, failure, notice)) << error;
    EXPECT_EQ(notice, "");
    ExpectSameStore(*doc, *loaded);

    const auto bytes = ReadBytes(dir.File("t.vqdata"));
    const PlainRead plain = ReadPlain(bytes);
    EXPECT_EQ(plain.history, doc->historyText);
    EXPECT_EQ(plain.exposures, (std::vector<int32_t>{1000, 1001, 1002, 1000, 1001, 1002}));
    // Header 20, TIME section 12 + 4 + 2 × (4 + 3 × 12), checksum 4.
    EXPECT_EQ(bytes.size() - plain.at, 20u + 12 + 4 + 2 * (4 + 36) + 4);
}

TEST(TimeTrailer, TrailerBytesAreTheAgreedLayout) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->headCount = 1;
    doc->recordCount[0] = 2;
    doc->recTimeUtcMs(0, 0) = 1796722138315;
    doc->recUtcOffsetS(0, 0) = 32400;
    doc->recTimeUtcMs(0, 1) = 1796722139316;
    doc->recUtcOffsetS(0, 1) = -3600;
    const std::string expected(
        "\x56\x51\x54\x52\x41\x49\x4c\x31\x01\x00\x00\x00\x2c\x00\x00\x00\x00\x00\x00\x00"
        "\x54\x49\x4d\x45\x20\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x02\x00\x00\x00"
        "\xcb\x1c\xfc\x54\xa2\x01\x00\x00\x90\x7e\x00\x00\xb4\x20\xfc\x54\xa2\x01\x00\x00"
        "\xf0\xf1\xff\xff\xa3\xd1\x30\xbb",
        68);
    EXPECT_EQ(EncodeTimeTrailer(*doc), expected);
    EXPECT_EQ(FormatRecordTime(1796722138315, 32400), "2026-12-08T18:28:58.315+09:00");
    EXPECT_EQ(FormatRecordTime(1796722139316, -3600), "2026-12-08T08:28:59.316-01:00");
    EXPECT_EQ(FormatRecordTime(0, 32400), "");
}

TEST(TimeTrailer, DamagedTrailerCostsOnlyTheTimes) {
    ScratchDir dir;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    SaveStampedSample(dir, 5, *doc);
    std::string error;
    const auto good = ReadBytes(dir.File("t.vqdata"));
    auto flipped = good;
    flipped[flipped.size() - 30] ^= 0x40;  // inside the times: the checksum fails
    auto shortened = good;
    shortened.resize(good.size() - 3);
    const std::size_t at = ReadPlain(good).at;
    auto newer = good;
    newer[at + 8] = 2;  // version 2
    auto headerCut = good;
    headerCut.resize(at + 12);  // magic and version, no length
    auto huge = good;
    for (int i = 12; i < 20; ++i) huge[at + i] = 0xFF;  // a length no file has

    for (const auto& bytes : {flipped, shortened, newer, headerCut, huge}) {
        WriteBytes(dir.File("bad.vqdata"), bytes);
        auto loaded = std::make_unique<Cvarnello_mfDoc>();
        std::string notice;
        FileFailure failure;
        ASSERT_TRUE(loaded->LoadFromFile(dir.File("bad.vqdata"), error, failure, notice));
        EXPECT_EQ(notice, dir.File("bad.vqdata") +
                              " の記録時刻が読み取れないため、時刻なしで読み込みました。");
        EXPECT_EQ(loaded->recordCount[0], 3);
        EXPECT_FALSE(loaded->HasRecordTimes());
    }
}

TEST(TimeTrailer, StoreWithoutTimesWritesThePlainLayoutOnly) {
    ScratchDir dir;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->headCount = 1;
    doc->headKind[0] = "C12880MA";
    doc->serialNo[0] = "23A00001";
    std::string error;
    ASSERT_TRUE(doc->SaveToFile(dir.File("plain.vqdata"), error));
    EXPECT_EQ(ReadBytes(dir.File("plain.vqdata")).size(), 28899u);

    // Times beyond the counted records are not the file's: still no trailer.
    FillSample(*doc, 2);
    doc->recTimeUtcMs(0, 3) = 1796722138315;
    ASSERT_TRUE(doc->SaveToFile(dir.File("plain.vqdata"), error));
    const auto bytes = ReadBytes(dir.File("plain.vqdata"));
    EXPECT_EQ(ReadPlain(bytes).at, bytes.size());
}

TEST(TimeTrailer, SavesLeaveNoTemporaries) {
    ScratchDir dir;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    FillSample(*doc, 1);
    const std::string target = dir.File("s.vqdata");
    // One left by a killed save (a process that no longer exists), one of a
    // save still running in this process, and a file of someone else.
    WriteBytes(dir.File(".s.vqdata.999999999-0-1f.tmp"), {1, 2, 3});
    const std::string ours = ".s.vqdata." + std::to_string(::getpid()) + "-7-2a.tmp";
    WriteBytes(dir.File(ours), {1});
    WriteBytes(dir.File(".s.vqdata.notes.tmp"), {1});
    std::string error;
    ASSERT_TRUE(doc->SaveToFile(target, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(dir.File(".s.vqdata.999999999-0-1f.tmp")));
    EXPECT_TRUE(std::filesystem::exists(dir.File(ours)));
    EXPECT_TRUE(std::filesystem::exists(dir.File(".s.vqdata.notes.tmp")));
    EXPECT_EQ(dir.EntryCount(), 3u);
}

// Trailers whose checksum holds but whose contents do not fit the file: a
// head count, a head's record count or a section length that disagrees. Each
// is ignored whole, with the notice; no head gets times (the first head's
// count fits in the first case, and a reader that applied head by head
// would give it times).
TEST(TimeTrailer, ChecksummedTrailerThatDisagreesWithTheFileIsIgnoredWhole) {
    ScratchDir dir;
    auto plain = std::make_unique<Cvarnello_mfDoc>();
    FillSample(*plain, 7);  // two heads of three records, no times
    std::string error;
    ASSERT_TRUE(plain->SaveToFile(dir.File("plain.vqdata"), error)) << error;
    const auto body = ReadBytes(dir.File("plain.vqdata"));

    auto trailerOf = [](int heads, std::array<int, 3> counts) {
        auto other = std::make_unique<Cvarnello_mfDoc>();
        other->headCount = heads;
        for (int a = 0; a < heads; ++a) other->recordCount[a] = counts[a];
        StampSample(*other);
        return EncodeTimeTrailer(*other);
    };
    // The TIME section grown or cut by one entry, lengths and checksum
    // made to agree with the bytes.
    auto resized = [&](int delta) {
        std::string t = trailerOf(2, {3, 3, 0});
        t.resize(t.size() - 4);  // the checksum
        if (delta > 0)
            t.insert(t.size(), 12, '\x01');
        else
            t.resize(t.size() - 12);
        auto put64 = [&](std::size_t at, uint64_t v) {
            for (int i = 0; i < 8; ++i) t[at + i] = static_cast<char>(v >> (8 * i));
        };
        put64(12, t.size() - 20);
        put64(24, t.size() - 32);
        const uint32_t crc = Crc32(0, t.data(), t.size());
        for (int i = 0; i < 4; ++i) t.push_back(static_cast<char>(crc >> (8 * i)));
        return t;
    };
    const std::vector<std::string> trailers = {trailerOf(2, {3, 2, 0}), trailerOf(3, {3, 3, 3}),
                                               trailerOf(1, {3, 0, 0}), resized(12), resized(-12)};
    for (std::size_t k = 0; k < trailers.size(); ++k) {
        auto bytes = body;
        bytes.insert(bytes.end(), trailers[k].begin(), trailers[k].end());
        WriteBytes(dir.File("bad.vqdata"), bytes);
        auto loaded = std::make_unique<Cvarnello_mfDoc>();
        std::string notice;
        FileFailure failure;
        ASSERT_TRUE(loaded->LoadFromFile(dir.File("bad.vqdata"), error, failure, notice)) << k;
        EXPECT_EQ(notice, dir.File("bad.vqdata") +
                              " の記録時刻が読み取れないため、時刻なしで読み込みました。")
            << k;
        EXPECT_EQ(loaded->recordCount[1], 3) << k;
        EXPECT_FALSE(loaded->HasRecordTimes()) << k;
        EXPECT_EQ(loaded->recTimeUtcMs(0, 0), 0) << k;
    }
}

}  // namespace
}  // namespace vmf::testing
