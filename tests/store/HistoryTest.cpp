// History lines: the time stamp, the four entry texts and their code page 932
// bytes.

#include <gtest/gtest.h>

#include <ctime>

#include "store/Cvarnello_mfDoc.h"
#include "store/HistoryEntries.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

Cvarnello_mfDoc& TwoHeads(Cvarnello_mfDoc& doc) {
    doc.headCount = 2;
    doc.serialNo[0] = "23A00001";
    doc.serialNo[1] = "23A00002";
    doc.exposureUs[0] = 10000;
    doc.exposureUs[1] = 265;
    return doc;
}

TEST(History, LineIsStampCommaTextCrLfAndMarksModified) {
    Cvarnello_mfDoc doc;
    doc.AppendHistory("note", At(2026, 3, 4, 5, 6, 7));
    doc.AppendHistory("", At(1999, 12, 31, 23, 59, 59));
    EXPECT_EQ(doc.historyText, "2026/03/04 05:06:07,note\r\n1999/12/31 23:59:59,\r\n");
    EXPECT_TRUE(doc.IsModified());

    Cvarnello_mfDoc live;
    live.AppendHistory("x");
    ASSERT_EQ(live.historyText.size(), 19u + 1 + 1 + 2);
    EXPECT_EQ(live.historyText.substr(4, 1), "/");
    EXPECT_EQ(live.historyText.substr(19), ",x\r\n");
}

TEST(History, DetectionEntryWithTwoHeadsIsOneLineInCp932) {
    Cvarnello_mfDoc doc;
    TwoHeads(doc);
    EXPECT_EQ(DetectionEntryText(doc),
              "ヴァルネロ検出 1:serial=23A00001 exp=10000  2:serial=23A00002 exp=265  ");
    doc.AppendHistory(DetectionEntryText(doc), At(2026, 1, 2, 3, 4, 5));
    const std::string expected = std::string("2026/01/02 03:04:05,") +
                                 "\x83\x94\x83\x40\x83\x8B\x83\x6C\x83\x8D\x8C\x9F\x8F\x6F\x20" +
                                 "1:serial=23A00001 exp=10000  2:serial=23A00002 exp=265  \r\n";
    EXPECT_EQ(doc.historyText, expected);
}

TEST(History, StartPiecesFollowEachOtherWithoutSeparator) {
    Cvarnello_mfDoc doc;
    TwoHeads(doc);
    EXPECT_EQ(StartEntryText(doc, 0, 1),
              "計測開始 DataNo=0 wave comp=1 1:serial=23A00001 exp=100002:serial=23A00002 exp=265");
    EXPECT_EQ(EndEntryText(41), "計測終了 DataNo=41");
    EXPECT_EQ(ReleaseEntryText(), "ヴァルネロ解除 ");
    doc.headCount = 0;
    EXPECT_EQ(DetectionEntryText(doc), "ヴァルネロ検出 ");
}

TEST(History, SerialInCp932SurvivesTheEntry) {
    Cvarnello_mfDoc doc;
    doc.headCount = 1;
    doc.serialNo[0] = Utf8ToCp932("検1");
    doc.exposureUs[0] = -5;
    doc.AppendHistory(StartEntryText(doc, 3, 0), At(2026, 1, 1, 0, 0, 0));
    EXPECT_EQ(Cp932ToUtf8(doc.historyText),
              "2026/01/01 00:00:00,計測開始 DataNo=3 wave comp=0 1:serial=検1 exp=-5\r\n");
}

TEST(TextCodec, ConvertsBothWaysAndReplacesWhatCp932Lacks) {
    EXPECT_EQ(Utf8ToCp932("ヴァルネロ"), "\x83\x94\x83\x40\x83\x8B\x83\x6C\x83\x8D");
    EXPECT_EQ(Cp932ToUtf8("\x83\x94\x83\x40"), "ヴァ");
    EXPECT_EQ(Utf8ToCp932("a😀b"), "a?b");
    EXPECT_EQ(Utf16ToCp932(u"計測"), Utf8ToCp932("計測"));
    EXPECT_EQ(Cp932ToUtf8(""), "");
}

}  // namespace
}  // namespace vmf
