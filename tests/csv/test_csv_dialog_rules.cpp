// The options dialog's OK corrections, without the dialog.

#include <gtest/gtest.h>

#include "csv/CsvDialogRules.h"

namespace vmf {
namespace {

TEST(CsvDialogRules, ReadsDecimalIntegersLikeAnEdit) {
    EXPECT_EQ(ReadDialogInt("340"), 340);
    EXPECT_EQ(ReadDialogInt("  -12"), -12);
    EXPECT_EQ(ReadDialogInt("+7"), 7);
    EXPECT_EQ(ReadDialogInt("12abc"), 12);
    EXPECT_EQ(ReadDialogInt("abc"), 0);
    EXPECT_EQ(ReadDialogInt(""), 0);
    EXPECT_EQ(ReadDialogInt("-"), 0);
    EXPECT_EQ(ReadDialogInt("2147483647"), 2147483647);
    EXPECT_EQ(ReadDialogInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ReadDialogInt("2147483648"), 0);
    EXPECT_EQ(ReadDialogInt("99999999999999999999999"), 0);
}

TEST(CsvDialogRules, WavelengthClampsInOrder) {
    auto clamp = [](int s, int e) {
        ClampCsvWavelengths(s, e);
        return std::pair{s, e};
    };
    EXPECT_EQ(clamp(300, 900), std::pair(340, 850));
    EXPECT_EQ(clamp(900, 900), std::pair(850, 850));  // the end follows the start
    EXPECT_EQ(clamp(400, 200), std::pair(400, 400));  // end below 340 takes the start
    EXPECT_EQ(clamp(500, 450), std::pair(500, 500));
    EXPECT_EQ(clamp(340, 850), std::pair(340, 850));
    EXPECT_EQ(clamp(-2147483647 - 1, 2147483647), std::pair(340, 850));
}

TEST(CsvDialogRules, DataNumbersBecomeAHalfOpenRange) {
    auto range = [](int first, int last, int n) {
        ToCsvRecordRange(first, last, n);
        return std::pair{first, last};
    };
    EXPECT_EQ(range(1, 10, 5), std::pair(0, 5));
    EXPECT_EQ(range(0, 3, 5), std::pair(0, 3));
    EXPECT_EQ(range(-4, 3, 5), std::pair(0, 3));
    EXPECT_EQ(range(-2147483647 - 1, 3, 5), std::pair(0, 3));
    EXPECT_EQ(range(8, 10, 5), std::pair(4, 5));
    EXPECT_EQ(range(4, 2, 5), std::pair(3, 3));
    EXPECT_EQ(range(2, 2, 5), std::pair(1, 2));  // one record
    // No records: -1..0, which callers (and the writer) take as nothing to save.
    EXPECT_EQ(range(1, 0, 0), std::pair(-1, 0));
    EXPECT_EQ(range(1, 5, 0), std::pair(-1, 0));
}

TEST(CsvDialogRules, FixedNameGetsTheExtensionOnce) {
    EXPECT_EQ(WithCsvExtension("output"), "output.csv");
    EXPECT_EQ(WithCsvExtension("X.CSV"), "X.CSV");
    EXPECT_EQ(WithCsvExtension("a.Csv"), "a.Csv");
    EXPECT_EQ(WithCsvExtension("csv"), "csv.csv");
    EXPECT_EQ(WithCsvExtension(""), ".csv");
    EXPECT_EQ(WithCsvExtension("データ.txt"), "データ.txt.csv");
}

TEST(CsvDialogRules, ChosenFolderLosesOneTrailingSeparator) {
#if defined(_WIN32)
    EXPECT_EQ(TrimChosenFolder("C:\\"), "C:");
    EXPECT_EQ(TrimChosenFolder("C:\\data\\"), "C:\\data");
#else
    EXPECT_EQ(TrimChosenFolder("/"), "");
    EXPECT_EQ(TrimChosenFolder("/home/op/"), "/home/op");
#endif
    EXPECT_EQ(TrimChosenFolder("data"), "data");
}

TEST(CsvDialogRules, OkCorrectsEverythingOrRefusesASmallStep) {
    CsvDialogEntries e;
    e.csvStartNm = 300;
    e.csvEndNm = 900;
    e.csvStepNm = 5;
    e.firstDataNumber = 1;
    e.endDataNumber = 10;
    e.fixedFileName = "output";
    EXPECT_EQ(CorrectCsvDialogEntries(e, 5), std::nullopt);
    EXPECT_EQ(e.csvStartNm, 340);
    EXPECT_EQ(e.csvEndNm, 850);
    EXPECT_EQ(e.csvStepNm, 5);
    EXPECT_EQ(e.firstDataNumber, 0);
    EXPECT_EQ(e.endDataNumber, 5);
    EXPECT_EQ(e.fixedFileName, "output.csv");

    for (int step : {0, -3}) {
        CsvDialogEntries bad = e;
        bad.csvStartNm = 100;
        bad.fixedFileName = "x";
        bad.csvStepNm = step;
        auto refusal = CorrectCsvDialogEntries(bad, 5);
        ASSERT_TRUE(refusal.has_value());
        EXPECT_FALSE(refusal->empty());
        EXPECT_EQ(bad.csvStartNm, 100);  // nothing half-applied
        EXPECT_EQ(bad.fixedFileName, "x");
    }
}

}  // namespace
}  // namespace vmf
