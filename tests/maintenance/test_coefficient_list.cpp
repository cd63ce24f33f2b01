// Reading the coefficient list file: field rules, line pieces, the capacity
// and the file that cannot be opened.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "maintenance/CoefficientListFile.h"

namespace vmf {
namespace {

TEST(CoefficientList, QuotedKindAndSerialAreUnquotedOtherKindsSkippedMissingFieldsZero) {
    const auto entries = CoefficientListFile::Parse(
        "\"C12880MA\",\"12345678\",300.1,2.5,0.001,0,0,0\r\n"
        "\"LED16ch\",\"99999999\",1,2,3,4,5,6\r\n"
        "c12880ma,lower,1,2,3,4,5,6\r\n"
        "C12880MA,AB\"C\"D, 7.5x,\"2\",,abc\r\n"
        "C12880MA,SHORT\n"
        "C12880MA,NINE,1,2,3,4,5,6,7,8\r\n");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].serial, "12345678");
    EXPECT_EQ(entries[0].coeffs, (std::array<double, 6>{300.1, 2.5, 0.001, 0, 0, 0}));
    // Quotes go from the first two fields only; numbers are read by their
    // longest decimal prefix after blanks.
    EXPECT_EQ(entries[1].serial, "ABCD");
    EXPECT_EQ(entries[1].coeffs, (std::array<double, 6>{7.5, 0, 0, 0, 0, 0}));
    EXPECT_EQ(entries[2].serial, "SHORT");
    EXPECT_EQ(entries[2].coeffs, (std::array<double, 6>{}));
    EXPECT_EQ(entries[3].coeffs, (std::array<double, 6>{1, 2, 3, 4, 5, 6}));
}

TEST(CoefficientList, LongLinesAreReadAsSeveralPiecesOf255Characters) {
    // 300 characters: the first 255 form one line (serial cut there), the
    // rest is a line of its own, which here is a complete entry again.
    std::string tail = "C12880MA,TAIL,5,6\r\n";
    std::string head = "C12880MA,LONGSERIAL,1,2,";
    std::string first = head + std::string(255 - head.size(), '9');
    ASSERT_EQ(first.size(), 255u);
    const auto entries = CoefficientListFile::Parse(first + tail);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].serial, "LONGSERIAL");
    EXPECT_EQ(entries[0].coeffs[1], 2.0);
    EXPECT_GT(entries[0].coeffs[2], 9.9e230);  // 231 nines: huge but finite
    EXPECT_EQ(entries[0].coeffs[3], 0.0);
    EXPECT_EQ(entries[1].serial, "TAIL");
    EXPECT_EQ(entries[1].coeffs[1], 6.0);

    // A 254-character line plus CR LF fits one piece: CR LF counts once, so
    // no empty extra line appears and the next line is read whole.
    std::string exact = "C12880MA,EXACT,1," + std::string(254 - 17, '0');
    ASSERT_EQ(exact.size(), 254u);
    const auto two = CoefficientListFile::Parse(exact + "\r\nC12880MA,NEXT,3\r\n");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1].serial, "NEXT");
    EXPECT_EQ(two[1].coeffs[0], 3.0);
}

TEST(CoefficientList, KeepsTheFirst1000EntriesAndIgnoresTheRest) {
    std::string text;
    for (int i = 0; i < 1005; ++i) {
        text += "C12880MA," + std::to_string(i) + "," + std::to_string(i) + "\r\n";
        if (i % 100 == 0) text += "LED8ch,x\r\n";
    }
    const auto entries = CoefficientListFile::Parse(text);
    ASSERT_EQ(entries.size(), 1000u);
    EXPECT_EQ(entries[999].serial, "999");
    EXPECT_EQ(entries[999].coeffs[0], 999.0);
}

TEST(CoefficientList, LastLineWithoutLineEndAndLoneCrStayInTheField) {
    const auto entries = CoefficientListFile::Parse("C12880MA,A\rB,1\r\nC12880MA,END,2");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].serial, "A\rB");
    EXPECT_EQ(entries[1].serial, "END");
    EXPECT_EQ(entries[1].coeffs[0], 2.0);
}

TEST(CoefficientList, AByteOrderMarkInFrontOfTheFirstLineIsSkipped) {
    const auto entries =
        CoefficientListFile::Parse("\xEF\xBB\xBF\"C12880MA\",S1,300\r\nC12880MA,S2,301\r\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].serial, "S1");
    EXPECT_EQ(entries[0].coeffs[0], 300.0);
    // Only a whole mark at the very start is one: these bytes stay.
    EXPECT_EQ(CoefficientListFile::Parse("\xEF\xBB"
                                         "C12880MA,S1,1")
                  .size(),
              0u);
    EXPECT_EQ(CoefficientListFile::Parse("C12880MA,\xEF\xBB\xBF,1")[0].serial, "\xEF\xBB\xBF");
    EXPECT_EQ(CoefficientListFile::Parse("\xEF").size(), 0u);
}

TEST(CoefficientList, LoadReadsTheFileBytesAndAMissingFileGivesAnEmptyList) {
    const auto path = std::filesystem::temp_directory_path() / "vmf_coefficients.csv";
    {
        std::ofstream out(path, std::ios::binary);
        out << "\"C12880MA\",\"\x82\xa0\x31\x32\",300,2\r\n";  // serial in CP932
    }
    std::vector<CoefficientEntry> entries;
    std::string reason;
    ASSERT_TRUE(CoefficientListFile::Load(path.string(), entries, reason)) << reason;
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].serial, "\x82\xa0\x31\x32");
    std::filesystem::remove(path);
    EXPECT_FALSE(CoefficientListFile::Load(path.string(), entries, reason));
    EXPECT_TRUE(entries.empty());
}

TEST(CoefficientList, AnEndlessInputIsRefusedNotReadForEver) {
    std::vector<CoefficientEntry> list;
    std::string reason;
    EXPECT_FALSE(CoefficientListFile::Load("/dev/zero", list, reason));
    EXPECT_EQ(reason, "大きすぎるため読み込みません（上限 16 MiB）");
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace vmf
