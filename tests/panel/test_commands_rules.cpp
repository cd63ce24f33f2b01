// When the CSV button writes a file at once, and the save dialog's default
// extension.

#include <gtest/gtest.h>

#include "panel/CsvCommandRules.h"

namespace vmf {
namespace {

CsvSaveNow Records(int first, int end) {
    CsvSaveNow s;
    s.selectedHead = 0;
    s.selectedHeadRecords = 5;
    s.firstRecord = first;
    s.endRecord = end;
    return s;
}

TEST(CsvFileWantedNow, RecordsOnlyWithAutoOffASelectedHeadWithRecordsAndARange) {
    EXPECT_TRUE(CsvFileWantedNow(Records(0, 5)));
    EXPECT_TRUE(CsvFileWantedNow(Records(4, 5)));
    EXPECT_FALSE(CsvFileWantedNow(Records(3, 3)));   // empty range
    EXPECT_FALSE(CsvFileWantedNow(Records(-1, 0)));  // what the dialog gives for no records

    CsvSaveNow s = Records(0, 5);
    s.autoSaveOn = true;
    EXPECT_FALSE(CsvFileWantedNow(s));
    s = Records(0, 5);
    s.selectedHead = -1;
    EXPECT_FALSE(CsvFileWantedNow(s));
    s = Records(0, 5);
    s.selectedHeadRecords = 0;
    EXPECT_FALSE(CsvFileWantedNow(s));
    s.target = 1;
    EXPECT_FALSE(CsvFileWantedNow(s));
}

TEST(CsvFileWantedNow, ReferenceTargetsWhateverTheRest) {
    for (int target : {2, 3}) {
        CsvSaveNow s;
        s.autoSaveOn = true;
        s.selectedHead = -1;
        s.firstRecord = -1;
        s.endRecord = 0;
        s.target = target;
        EXPECT_TRUE(CsvFileWantedNow(s)) << target;
    }
}

TEST(WithDefaultExtension, AddsOnlyToANameWithoutExtension) {
    EXPECT_EQ(WithDefaultExtension("/tmp/out", "csv"), "/tmp/out.csv");
    EXPECT_EQ(WithDefaultExtension("/tmp/out.csv", "csv"), "/tmp/out.csv");
    EXPECT_EQ(WithDefaultExtension("/tmp/out.txt", "csv"), "/tmp/out.txt");
    EXPECT_EQ(WithDefaultExtension("/tmp/a.b/out", "csv"), "/tmp/a.b/out.csv");
    EXPECT_EQ(WithDefaultExtension("C:\\data.d\\run", "csv"), "C:\\data.d\\run.csv");
    EXPECT_EQ(WithDefaultExtension("run", "csv"), "run.csv");
    EXPECT_EQ(WithDefaultExtension("/tmp/", "csv"), "/tmp/");
}

}  // namespace
}  // namespace vmf
