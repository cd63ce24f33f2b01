// The data file byte for byte, round trips, and the refusal of short and
// out-of-bounds files without touching the store.

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <memory>

#include "StoreSample.h"
#include "StoreTestUtil.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

using testing::Bytes;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

std::vector<uint8_t> Saved(const Cvarnello_mfDoc& doc, const ScratchDir& dir,
                           const char* name = "s.vqdata") {
    std::string error;
    EXPECT_TRUE(doc.SaveToFile(dir.File(name), error)) << error;
    return ReadBytes(dir.File(name));
}

std::vector<uint8_t> Prefix(std::initializer_list<uint8_t> b) { return std::vector<uint8_t>(b); }

TEST(DataFile, EmptyStoreIsNineBytes) {
    ScratchDir dir;
    Cvarnello_mfDoc doc;
    EXPECT_EQ(Saved(doc, dir), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(DataFile, HeadBlockAndRecordLayout) {
    ScratchDir dir;
    Cvarnello_mfDoc doc;
    doc.headCount = 1;
    doc.headKind[0] = "C12880MA";
    doc.serialNo[0] = "12345678";
    doc.exposureUs[0] = 0x01020304;
    doc.wavePoly[0][0] = 1.5;
    doc.darkTable[0][0][0] = 2.0f;
    doc.darkTable[0][1][0] = 3.0f;
    doc.gain[0][288] = 99.0f;
    auto bytes = Saved(doc, dir);
    ASSERT_EQ(bytes.size(), 28899u);
    std::vector<uint8_t> head(bytes.begin(), bytes.begin() + 4 + 4 + 9 + 9 + 4);
    EXPECT_EQ(head, Bytes().I32(1).I32(288).Str("C12880MA").Str("12345678").I32(0x01020304).b);
    const size_t poly = 30, dark = poly + 48, wave = dark + 21 * 288 * 4, refs = wave + 288 * 4;
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + poly, bytes.begin() + poly + 8),
              Bytes().F64(1.5).b);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + dark, bytes.begin() + dark + 4),
              Bytes().F32(2.0f).b);
    // Step 1 starts right after the 288 values of step 0.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + dark + 1152, bytes.begin() + dark + 1156),
              Bytes().F32(3.0f).b);
    // The last gain/white/trans triple is the exposure entry, gain first.
    const size_t lastTriple = refs + 288 * 12;
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + lastTriple, bytes.begin() + lastTriple + 4),
              Bytes().F32(99.0f).b);
    // Tail: ledDriverCount 0, recordCount 0, empty history.
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 9, bytes.end()),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0}));

    // Each record adds 8 + 8 x 288 bytes: exposure, temperature, then pairs.
    for (int r = 0; r < 2; ++r) {
        ASSERT_TRUE(doc.EnsureRecordArrays(0, r));
        doc.recExposureUs(0, r) = 7;
        doc.recTemperatureC(0, r) = 25.5f;
        doc.recRaw(0, r)[0] = 10.0f;
        doc.recProcessed(0, r)[0] = 20.0f;
        doc.recRaw(0, r)[1] = 11.0f;
    }
    doc.recordCount[0] = 2;
    auto withRecords = Saved(doc, dir);
    ASSERT_EQ(withRecords.size(), 28899u + 2 * 2312u);
    const size_t rec = 28899 - 1;  // after ledDriverCount and the record count
    EXPECT_EQ(std::vector<uint8_t>(withRecords.begin() + rec - 4, withRecords.begin() + rec + 24),
              Bytes().I32(2).I32(7).F32(25.5f).F32(10.0f).F32(20.0f).F32(11.0f).F32(0.0f).b);
}

TEST(DataFile, StringPrefixForms) {
    ScratchDir dir;
    struct Case {
        size_t length;
        std::vector<uint8_t> prefix;
    };
    const Case cases[] = {
        {254, Prefix({0xFE})},
        {255, Prefix({0xFF, 0xFF, 0x00})},
        {300, Prefix({0xFF, 0x2C, 0x01})},
        {65533, Prefix({0xFF, 0xFD, 0xFF})},
        {65534, Prefix({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {70000, Prefix({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const Case& c : cases) {
        Cvarnello_mfDoc doc;
        doc.historyText.assign(c.length, 'h');
        auto bytes = Saved(doc, dir);
        ASSERT_EQ(bytes.size(), 8 + c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 8, bytes.begin() + 8 + c.prefix.size()),
                  c.prefix)
            << c.length;
        Cvarnello_mfDoc back;
        std::string error;
        ASSERT_TRUE(back.LoadFromFile(dir.File("s.vqdata"), error)) << error;
        EXPECT_EQ(back.historyText, doc.historyText);
    }
}

TEST(DataFile, ReadsWideAndSixtyFourBitStrings) {
    ScratchDir dir;
    // History as UTF-16LE "ヴァル" behind the 0xFFFE marker.
    Bytes wide;
    wide.I32(0).I32(0).U8(0xFF).U16(0xFFFE).U8(3).U16(0x30F4).U16(0x30A1).U16(0x30EB);
    WriteBytes(dir.File("w.vqdata"), wide.b);
    Cvarnello_mfDoc doc;
    std::string error;
    ASSERT_TRUE(doc.LoadFromFile(dir.File("w.vqdata"), error)) << error;
    EXPECT_EQ(doc.historyText, "\x83\x94\x83\x40\x83\x8B");

    // The 64-bit length form, written by no one at this size but valid.
    Bytes big;
    big.I32(0).I32(0).U8(0xFF).U16(0xFFFF).I32(-1).U64(3).U8('a').U8('b').U8('c').U8('X');
    WriteBytes(dir.File("b.vqdata"), big.b);
    ASSERT_TRUE(doc.LoadFromFile(dir.File("b.vqdata"), error)) << error;
    EXPECT_EQ(doc.historyText, "abc");  // the trailing byte is ignored
}

TEST(DataFile, RoundTripIsBitExact) {
    ScratchDir dir;
    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 1);
    doc.historyText.append(400, 'x');  // a 16-bit prefix in the middle of real data
    doc.whiteRef[0][1] = std::bit_cast<float>(0x7FC01234u);
    doc.gain[1][5] = -0.0f;
    std::string error;
    ASSERT_TRUE(doc.SaveToFile(dir.File("r.vqdata"), error)) << error;
    auto back = std::make_unique<Cvarnello_mfDoc>();
    ASSERT_TRUE(back->LoadFromFile(dir.File("r.vqdata"), error)) << error;
    testing::ExpectSameStore(doc, *back);
    EXPECT_TRUE(std::isnan(back->whiteRef[0][1]));
    EXPECT_EQ(std::bit_cast<uint32_t>(back->whiteRef[0][1]), 0x7FC01234u);
    EXPECT_EQ(std::bit_cast<uint32_t>(back->gain[1][5]), 0x80000000u);
    // A 5-channel head's loaded records still have 288 floats, zero past 5.
    EXPECT_EQ(back->recRaw(1, 0)[287], 0.0f);
    EXPECT_EQ(back->Pool().BlocksInUse(), 12u);
    // Saving the loaded store gives the same bytes.
    EXPECT_EQ(Saved(*back, dir, "again.vqdata"), ReadBytes(dir.File("r.vqdata")));
}

TEST(DataFile, LoadKeepsWhatTheFileDoesNotCarry) {
    ScratchDir dir;
    Cvarnello_mfDoc small;
    testing::FillSample(small, 2, 1);
    small.headCount = 1;
    small.ledDriverCount = 1;
    std::string error;
    ASSERT_TRUE(small.SaveToFile(dir.File("k.vqdata"), error)) << error;

    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 3, 4);
    doc.mirrorCount = 1;
    doc.SetModifiedFlag(true);
    float* above = doc.recRaw(0, 2);
    ASSERT_TRUE(doc.LoadFromFile(dir.File("k.vqdata"), error)) << error;
    EXPECT_EQ(doc.headCount, 1);
    EXPECT_EQ(doc.recordCount[0], 1);
    EXPECT_EQ(doc.recordCount[1], 4);    // head 1 is above the loaded head count
    EXPECT_EQ(doc.recRaw(0, 2), above);  // slots above the loaded counter stay
    EXPECT_EQ(doc.recRaw(0, 0)[0], small.recRaw(0, 0)[0]);
    EXPECT_EQ(doc.serialNo[1], "\x83\x94X");
    EXPECT_EQ(doc.exposureUs[1], 20003);
    EXPECT_EQ(doc.ledChannelCount[1], 3);
    EXPECT_EQ(doc.ledValue[0][0], small.ledValue[0][0]);
    EXPECT_EQ(doc.mirrorCount, 1);
    EXPECT_TRUE(doc.IsModified());  // the caller owns the document flags
    EXPECT_EQ(doc.Pool().BlocksInUse(), 2u * 4 + 2u * 4);
}

TEST(DataFile, ZeroLengthFileOpensAndChangesNothing) {
    ScratchDir dir;
    WriteBytes(dir.File("z.vqdata"), {});
    Cvarnello_mfDoc doc, reference;
    testing::FillSample(doc, 4);
    testing::FillSample(reference, 4);
    std::string error;
    FileFailure failure = FileFailure::BadFormat;
    EXPECT_TRUE(doc.LoadFromFile(dir.File("z.vqdata"), error, failure));
    EXPECT_EQ(failure, FileFailure::None);
    testing::ExpectSameStore(doc, reference);
}

// A small but complete file: one 2-channel head with two records, one LED
// driver with two values, a short history.
std::vector<uint8_t> SmallFile() {
    Bytes f;
    f.I32(1).I32(2).Str("C12880MA").Str("S1").I32(500);
    for (int k = 0; k < 6; ++k) f.F64(k * 0.5);
    for (int i = 0; i < 21 * 2 + 2 + 3 * 3; ++i) f.F32(static_cast<float>(i));
    f.I32(1).I32(2).I32(7).I32(8);
    f.I32(2);
    for (int r = 0; r < 2; ++r) f.I32(100 + r).F32(20.5f).F32(1).F32(2).F32(3).F32(4);
    f.Str("ab");
    return f.b;
}

TEST(DataFile, EveryTruncationIsRefusedWithTheStoreUnchanged) {
    ScratchDir dir;
    const auto full = SmallFile();
    {
        Cvarnello_mfDoc ok;
        WriteBytes(dir.File("full.vqdata"), full);
        std::string error;
        ASSERT_TRUE(ok.LoadFromFile(dir.File("full.vqdata"), error)) << error;
        EXPECT_EQ(ok.recRaw(0, 1)[1], 3.0f);
        EXPECT_EQ(ok.recProcessed(0, 1)[1], 4.0f);
        EXPECT_EQ(ok.historyText, "ab");
    }
    Cvarnello_mfDoc doc, reference;
    testing::FillSample(doc, 5);
    testing::FillSample(reference, 5);
    const std::string path = dir.File("cut.vqdata");
    for (size_t n = 1; n < full.size(); ++n) {
        WriteBytes(path, std::vector<uint8_t>(full.begin(),
                                              full.begin() + static_cast<std::ptrdiff_t>(n)));
        std::string error;
        FileFailure failure = FileFailure::None;
        ASSERT_FALSE(doc.LoadFromFile(path, error, failure)) << n;
        EXPECT_EQ(failure, FileFailure::EndOfFile) << n;
        EXPECT_EQ(error, path + " の末尾以降にアクセスしようとしました。");
        // Cheap checks every time; the whole store once at the end.
        ASSERT_EQ(doc.headCount, 2) << n;
        ASSERT_EQ(doc.recordCount[0], 3) << n;
        ASSERT_EQ(doc.historyText, reference.historyText) << n;
        ASSERT_EQ(doc.Pool().BlocksInUse(), 12u) << n;
    }
    testing::ExpectSameStore(doc, reference);
}

TEST(DataFile, CountsBeyondTheBoundsAreRefused) {
    ScratchDir dir;
    auto head = [](int channels) {
        Bytes h;
        h.I32(channels).Str("K").Str("S").I32(1);
        return h;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"headCount 11", Bytes().I32(11).b},
        {"headCount -1", Bytes().I32(-1).b},
        {"channelCount 289", Bytes().I32(1).Raw(head(289).b).b},
        {"channelCount -2", Bytes().I32(1).Raw(head(-2).b).b},
        {"ledDriverCount 11", Bytes().I32(0).I32(11).b},
        {"ledChannelCount 33", Bytes().I32(0).I32(1).I32(33).b},
        {"recordCount 86400", Bytes().I32(0).I32(0).b},  // patched below
        {"recordCount -1", {}},
    };
    // A 0-channel head keeps the record cases small: the head block is then
    // strings, exposure, polynomial and one triple.
    auto zeroHead = [&](int records) {
        Bytes f;
        f.I32(1).Raw(head(0).b);
        for (int k = 0; k < 6; ++k) f.F64(0);
        f.F32(0).F32(0).F32(0).I32(0).I32(records);
        return f.b;
    };
    cases[6].bytes = zeroHead(86400);
    cases[7].bytes = zeroHead(-1);
    Cvarnello_mfDoc doc, reference;
    testing::FillSample(doc, 6);
    testing::FillSample(reference, 6);
    for (const Case& c : cases) {
        Bytes padded;
        padded.Raw(c.bytes);
        for (int i = 0; i < 4096; ++i) padded.U8(0);  // so the count, not the end, stops it
        WriteBytes(dir.File("bad.vqdata"), padded.b);
        std::string error;
        FileFailure failure = FileFailure::None;
        EXPECT_FALSE(doc.LoadFromFile(dir.File("bad.vqdata"), error, failure)) << c.what;
        EXPECT_EQ(failure, FileFailure::BadFormat) << c.what;
        EXPECT_NE(error.find(dir.File("bad.vqdata")), std::string::npos) << error;
        EXPECT_NE(error.find(std::string(c.what).substr(0, std::string(c.what).find(' '))),
                  std::string::npos)
            << error;
    }
    testing::ExpectSameStore(doc, reference);

    // The largest count that leaves a working slot is accepted.
    Bytes most;
    most.Raw(zeroHead(86399));
    for (int r = 0; r < 86399; ++r) most.I32(r).F32(1.0f);
    most.U8(0);
    WriteBytes(dir.File("most.vqdata"), most.b);
    std::string error;
    ASSERT_TRUE(doc.LoadFromFile(dir.File("most.vqdata"), error)) << error;
    EXPECT_EQ(doc.recordCount[0], 86399);
    EXPECT_EQ(doc.recExposureUs(0, 86398), 86398);
}

TEST(DataFile, FailedSaveKeepsTheOldFile) {
    ScratchDir dir;
    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 7);
    const auto before = Saved(doc, dir, "keep.vqdata");
    ASSERT_EQ(dir.EntryCount(), 1u);
    doc.ledDriverCount = 11;  // a writer broke a bound: refuse, do not write past the arrays
    std::string error;
    FileFailure failure = FileFailure::None;
    EXPECT_FALSE(doc.SaveToFile(dir.File("keep.vqdata"), error, failure));
    EXPECT_EQ(failure, FileFailure::BadFormat);
    EXPECT_NE(error.find("keep.vqdata"), std::string::npos);
    EXPECT_EQ(testing::ReadBytes(dir.File("keep.vqdata")), before);
    EXPECT_EQ(dir.EntryCount(), 1u);  // no temporary left behind
    EXPECT_EQ(doc.ledDriverCount, 11);

    EXPECT_FALSE(doc.SaveToFile(dir.File("no-such-folder/x.vqdata"), error, failure));
    EXPECT_EQ(failure, FileFailure::CannotOpen);
    EXPECT_NE(error.find("no-such-folder/x.vqdata"), std::string::npos);
}

// The new file takes the old one's place in one step (rename over it, a
// replacing move on Windows), leaving no temporary behind.
TEST(DataFile, SavingAgainReplacesTheWholeFile) {
    ScratchDir dir;
    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 7);
    const auto first = Saved(doc, dir, "again.vqdata");
    testing::FillSample(doc, 3);
    const auto fresh = Saved(doc, dir, "fresh.vqdata");
    ASSERT_NE(fresh, first);
    EXPECT_EQ(Saved(doc, dir, "again.vqdata"), fresh);
    EXPECT_EQ(dir.EntryCount(), 2u);
}

TEST(DataFile, MissingFileIsReported) {
    ScratchDir dir;
    Cvarnello_mfDoc doc;
    std::string error;
    FileFailure failure = FileFailure::None;
    EXPECT_FALSE(doc.LoadFromFile(dir.File("absent.vqdata"), error, failure));
    EXPECT_EQ(failure, FileFailure::CannotOpen);
    EXPECT_EQ(error.find(dir.File("absent.vqdata")), 0u);
}

}  // namespace
}  // namespace vmf
