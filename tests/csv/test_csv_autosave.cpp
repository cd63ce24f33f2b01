// Automatic saving: names, paths, the write of the record just acquired, and
// the notice on a run of failures.

#include <gtest/gtest.h>

#include <cstdlib>

#include "csv/AutoSaveCsv.h"
#include "csv/AutoSaveReporter.h"
#include "csv/CsvTestData.h"

namespace vmf {
namespace {

// 5 January 2024, 13:45:01 UTC.
constexpr std::time_t kSomeTime = 1704462301;

void UseUtc() {
#if defined(_WIN32)
    _putenv_s("TZ", "UTC0");
    _tzset();
#else
    setenv("TZ", "UTC0", 1);
    tzset();
#endif
}

TEST(AutoSaveCsv, NamesByMode) {
    PanelOptions o;
    o.saveFolder = "out";
    o.fixedFileName = "fixed.csv";
    o.autoSaveNaming = AUTOSAVE_FIXED_NAME;
    EXPECT_EQ(AutoSavePath(o, 3, kSomeTime), std::string("out") + FOLDER_SEPARATOR + "fixed.csv");
    o.autoSaveNaming = AUTOSAVE_NUMBER_NAME;
    EXPECT_EQ(AutoSaveFileName(o, 0, kSomeTime), "No0.csv");
    EXPECT_EQ(AutoSaveFileName(o, 86399, kSomeTime), "No86399.csv");
    o.autoSaveNaming = 3;
    EXPECT_EQ(AutoSaveFileName(o, 0, kSomeTime), "");
    o.autoSaveNaming = -1;
    EXPECT_EQ(AutoSaveFileName(o, 0, kSomeTime), "");
    // An empty folder still gets the separator: the root.
    o.saveFolder.clear();
    o.autoSaveNaming = AUTOSAVE_NUMBER_NAME;
    EXPECT_EQ(AutoSavePath(o, 1, kSomeTime), std::string(1, FOLDER_SEPARATOR) + "No1.csv");
}

TEST(AutoSaveCsv, TimeNameUsesLocalTime) {
    UseUtc();
    PanelOptions o;
    o.autoSaveNaming = AUTOSAVE_TIME_NAME;
    EXPECT_EQ(AutoSaveFileName(o, 0, kSomeTime), "20240105_134501.csv");
}

TEST(AutoSaveCsv, WritesTheRecordJustAcquired) {
    test::CsvFixture f;
    f.AddRecord(21.0f, 500, {{340, 1.0f}});
    f.AddRecord(22.0f, 600, {{340, 2.0f}});
    auto dir = test::FreshFolder("csv-auto");
    PanelOptions o;
    o.saveFolder = dir.string();
    o.autoSaveNaming = AUTOSAVE_NUMBER_NAME;
    o.csvStartNm = 340;
    o.csvEndNm = 345;
    o.csvStepNm = 5;
    AutoSaveResult res = AutoSaveCsv(*f.doc, f.ws, o, {}, 0, 1, kSomeTime);
    ASSERT_TRUE(res.ok) << res.error;
    EXPECT_EQ(res.path, (dir / "No1.csv").string());
    EXPECT_EQ(test::ReadFileBytes(dir / "No1.csv"),
              "temp,22.0,\r\nexposure,   600,\r\n340,   2.0,\r\n345,  22.5,\r\n");
    // Horizontal without extras, the same record overwritten.
    o.csvVertical = 0;
    o.csvAddTemp = 0;
    o.csvAddExposure = 0;
    o.csvAddWave = 0;
    res = AutoSaveCsv(*f.doc, f.ws, o, {}, 0, 1, kSomeTime);
    ASSERT_TRUE(res.ok) << res.error;
    EXPECT_EQ(test::ReadFileBytes(dir / "No1.csv"), "   2.0,  22.5,\r\n");
    std::filesystem::remove_all(dir);
}

TEST(AutoSaveCsv, SameSecondRecordsEachKeepTheirFile) {
    UseUtc();
    test::CsvFixture f;
    for (int r = 0; r < 4; ++r) f.AddRecord(20.0f + static_cast<float>(r), 500);
    auto dir = test::FreshFolder("csv-same-second");
    PanelOptions o;
    o.saveFolder = dir.string();
    o.autoSaveNaming = AUTOSAVE_TIME_NAME;
    AutoSaveNames names;
    const std::time_t clock[4] = {kSomeTime, kSomeTime, kSomeTime, kSomeTime + 1};
    std::vector<std::string> written;
    for (int r = 0; r < 4; ++r) {
        AutoSaveResult res = AutoSaveCsv(*f.doc, f.ws, o, {}, 0, r, clock[r], &names);
        ASSERT_TRUE(res.ok) << res.error;
        written.push_back(res.path.substr(dir.string().size() + 1));
    }
    EXPECT_EQ(written, (std::vector<std::string>{"20240105_134501.csv", "20240105_134501_2.csv",
                                                 "20240105_134501_3.csv", "20240105_134502.csv"}));
    EXPECT_EQ(test::ReadFileBytes(dir / "20240105_134501_3.csv").substr(0, 10), "temp,22.0,");
    // The fixed name stays one file, replaced by every record.
    o.autoSaveNaming = AUTOSAVE_FIXED_NAME;
    EXPECT_EQ(AutoSaveCsv(*f.doc, f.ws, o, {}, 0, 0, kSomeTime, &names).path,
              AutoSaveCsv(*f.doc, f.ws, o, {}, 0, 1, kSomeTime, &names).path);
    std::filesystem::remove_all(dir);
}

TEST(AutoSaveReporter, OneNoticePerRunOfFailures) {
    AutoSaveReporter rep;
    EXPECT_EQ(rep.OnResult(true, "/a/No0.csv"), std::nullopt);
    EXPECT_EQ(rep.OnResult(false, "/x/No1.csv"), "CSV自動保存に失敗しました: /x/No1.csv");
    EXPECT_TRUE(rep.failing());
    EXPECT_EQ(rep.OnResult(false, "/x/No2.csv"), std::nullopt);
    EXPECT_EQ(rep.OnResult(false, "/y/No3.csv"), std::nullopt);
    EXPECT_EQ(rep.OnResult(true, "/y/No4.csv"), std::nullopt);
    EXPECT_FALSE(rep.failing());
    EXPECT_EQ(rep.OnResult(false, "/z/No5.csv"), "CSV自動保存に失敗しました: /z/No5.csv");
    rep.Reset();
    EXPECT_EQ(rep.OnResult(false, "/z/No6.csv"), "CSV自動保存に失敗しました: /z/No6.csv");
}

TEST(AutoSaveReporter, UnwritableFolderNotifiesOnceThenRecovers) {
    test::CsvFixture f;
    f.AddRecord(21.0f, 500);
    PanelOptions o;
    o.autoSaveNaming = AUTOSAVE_NUMBER_NAME;
    o.saveFolder = "/nonexistent-folder-for-csv";
    AutoSaveReporter rep;
    std::vector<std::string> shown;
    for (int cycle = 0; cycle < 3; ++cycle) {
        AutoSaveResult res = AutoSaveCsv(*f.doc, f.ws, o, {}, 0, 0, kSomeTime);
        if (auto note = rep.OnResult(res.ok, res.path)) shown.push_back(*note);
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "CSV自動保存に失敗しました: /nonexistent-folder-for-csv" +
                            std::string(1, FOLDER_SEPARATOR) + "No0.csv");
    // No name at all (a naming mode out of range) fails the same way.
    o.autoSaveNaming = 7;
    AutoSaveResult none = AutoSaveCsv(*f.doc, f.ws, o, {}, 0, 0, kSomeTime);
    EXPECT_FALSE(none.ok);
    EXPECT_NE(none.error.find(none.path), std::string::npos);
    EXPECT_EQ(rep.OnResult(none.ok, none.path), std::nullopt);  // same run of failures
    o.autoSaveNaming = AUTOSAVE_NUMBER_NAME;
    auto dir = test::FreshFolder("csv-recover");
    o.saveFolder = dir.string();
    AutoSaveResult res = AutoSaveCsv(*f.doc, f.ws, o, {}, 0, 0, kSomeTime);
    EXPECT_TRUE(res.ok) << res.error;
    EXPECT_EQ(rep.OnResult(res.ok, res.path), std::nullopt);
    EXPECT_FALSE(rep.failing());
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vmf
