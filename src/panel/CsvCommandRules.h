#pragma once
// The decisions of the panel's CSV button that need no window: whether the
// options just confirmed lead to a file now, and the extension a typed file
// name is given when it has none.

#include <string>

namespace vmf {

// What the CSV button decides with, taken right after the options dialog's OK.
struct CsvSaveNow {
    bool autoSaveOn = false;
    int selectedHead = 0;         // the panel's head selection; negative = none
    int selectedHeadRecords = 0;  // recordCount of that head (0 when none is selected)
    int firstRecord = 0;          // the dialog's range, 0-based half-open
    int endRecord = 0;
    int target = 0;  // csvTarget
};

// A reference table (target 2 or more) is written whatever the rest; records
// only with automatic saving off, a selected head that has records and a
// range that is not empty. With automatic saving on, records are written as
// they are taken instead.
bool CsvFileWantedNow(const CsvSaveNow& s);

// A save dialog's default extension: when the last path component has no
// '.', ".<ext>" is appended; a name with any extension is kept as chosen.
std::string WithDefaultExtension(std::string path, const char* ext);

}  // namespace vmf
