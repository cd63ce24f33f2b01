// The table lines of the dialog list and the calibration CSV file, byte for
// byte, and the direct edits of the table that feed them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "fakes/TestText.h"
#include "maintenance/CalibrationCsvFile.h"
#include "maintenance/CalibrationEdits.h"
#include "maintenance/CalibrationTableText.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

using test::Repeat;

std::unique_ptr<Cvarnello_mfDoc> InitialisedDoc() {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->headCount = 2;
    doc->channelCount[0] = doc->channelCount[1] = MAX_CHANNELS;
    for (auto& step : doc->darkTable[0]) step.fill(1234.5f);
    doc->gain[0].fill(3.0f);
    doc->gain[0][288] = 100000.0f;
    doc->whiteRef[0][288] = 5000.0f;
    doc->transRef[0][288] = 265.0f;
    doc->wavelengthNm[0][0] = 340.123f;
    InitialiseCalibrationTable(*doc, 0, 8192);
    return doc;
}

TEST(CalibrationTableText, AfterInitialisingEveryLineShowsTheResetTableAndTheExposureLineIsKept) {
    auto doc = InitialisedDoc();
    const auto lines = CalibrationTableText::Lines(*doc, 0);
    ASSERT_EQ(lines.size(), 289u);
    EXPECT_EQ(lines[0], "  1: 340.1   1.0 8192.0 8192.0    0.0 " + Repeat("   0.0 ", 20));
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        char head[8];
        std::snprintf(head, sizeof head, "%3d: ", c + 1);
        EXPECT_EQ(lines[c].substr(0, 5), head);
        EXPECT_EQ(lines[c].substr(10), "   1.0 8192.0 8192.0 " + Repeat("   0.0 ", 21)) << c;
    }
    EXPECT_EQ(lines[288], "289:   0.0 100000.0 5000.0  265.0 ");
    // Other heads are not touched.
    EXPECT_EQ(doc->gain[1][0], 0.0f);
}

TEST(CalibrationTableText, ShowsAll288LinesWhateverTheChannelCountAndWideValuesPushRight) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->channelCount[3] = 0;
    doc->darkTable[3][20][287] = -12345.67f;
    doc->transRef[3][287] = 99999.96f;
    const auto lines = CalibrationTableText::Lines(*doc, 3);
    ASSERT_EQ(lines.size(), 289u);
    EXPECT_EQ(lines[287], "288:   0.0   0.0   0.0 100000.0 " + Repeat("   0.0 ", 20) + "-12345.7 ");
}

TEST(CalibrationEdits, PolynomialGivesWavelengthsInDoubleAndLeavesOtherHeads) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->channelCount[1] = MAX_CHANNELS;
    doc->wavelengthNm[0][0] = 7.0f;
    CoefficientEntry e{"12345678", {300.0, 2.0, 0, 0, 0, 0}};
    ApplyCoefficientEntry(*doc, 1, e);
    EXPECT_EQ(doc->serialNo[1], "12345678");
    EXPECT_EQ(doc->wavePoly[1][1], 2.0);
    const auto lines = CalibrationTableText::Lines(*doc, 1);
    EXPECT_EQ(lines[0].substr(0, 10), "  1: 302.0");
    EXPECT_EQ(lines[287].substr(0, 10), "288: 876.0");
    EXPECT_EQ(doc->wavelengthNm[0][0], 7.0f);

    // A fifth-order polynomial with large terms: the sum in float would lose
    // the small ones; the result must be the double sum rounded once.
    CoefficientEntry high{"X", {305.123456789, 2.71828, -0.00123, 1.5e-6, -3.2e-9, 4.1e-12}};
    ApplyCoefficientEntry(*doc, 1, high);
    const double x = 288;
    const double expect = 305.123456789 + 2.71828 * x - 0.00123 * x * x + 1.5e-6 * x * x * x -
                          3.2e-9 * x * x * x * x + 4.1e-12 * x * x * x * x * x;
    EXPECT_EQ(doc->wavelengthNm[1][287], static_cast<float>(expect));
}

TEST(CalibrationEdits, ChannelCountLimitsTheWavelengthsWritten) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->channelCount[0] = 10;
    doc->wavelengthNm[0][10] = 5.0f;
    ApplyCoefficientEntry(*doc, 0, CoefficientEntry{"S", {1, 1, 0, 0, 0, 0}});
    EXPECT_EQ(doc->wavelengthNm[0][9], 11.0f);
    EXPECT_EQ(doc->wavelengthNm[0][10], 5.0f);
    doc->channelCount[0] = 100000;  // a corrupt count never writes past the row
    ApplyCoefficientEntry(*doc, 0, CoefficientEntry{"S", {1, 1, 0, 0, 0, 0}});
    EXPECT_EQ(doc->wavelengthNm[0][287], 289.0f);
}

TEST(CalibrationCsvFile, InitialisedHeadGives288LinesOf26CommaTerminatedFieldsWithCrLf) {
    auto doc = InitialisedDoc();
    const std::string text = CalibrationCsvFile::Text(*doc, 0);
    EXPECT_EQ(text.substr(0, text.find("\r\n") + 2),
              "  1,340.1,  1.0,8192.0,8192.0,   0.0," + Repeat("   0.0,", 20) + "\r\n");
    int lines = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(pos, end - pos);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 26);
        EXPECT_EQ(line.back(), ',');
        pos = end + 2;
        ++lines;
    }
    EXPECT_EQ(lines, 288);
    EXPECT_EQ(text.find("289"), std::string::npos);  // no exposure line
}

TEST(CalibrationCsvFile, SavesTheBytesAndNamesTheFileWhenItCannotBeWritten) {
    auto doc = InitialisedDoc();
    doc->channelCount[0] = 3;
    const auto dir = std::filesystem::temp_directory_path() / "vmf_calibration_csv";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "table.csv").string();
    std::string error;
    ASSERT_TRUE(CalibrationCsvFile::Save(*doc, 0, path, error)) << error;
    const std::string bytes = test::ReadFileBytes(path);
    EXPECT_EQ(bytes, CalibrationCsvFile::Text(*doc, 0));
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 3);

    const std::string bad = (dir / "missing-folder" / "table.csv").string();
    EXPECT_FALSE(CalibrationCsvFile::Save(*doc, 0, bad, error));
    EXPECT_EQ(error.rfind("CSVファイルを保存できませんでした: " + bad + " (", 0), 0u) << error;
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vmf
