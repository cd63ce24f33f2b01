#pragma once
// Automatic CSV saving after every completed acquisition cycle: the file
// name by naming mode, the path in the save folder, and the write itself.
// Called on the GUI thread once the acquisition worker has handed over and
// before the record counters advance.

#include <ctime>
#include <string>

#include "common/PanelOptions.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

// Naming modes (autoSaveNaming).
inline constexpr int AUTOSAVE_FIXED_NAME = 0;  // "固定ファイル名": fixedFileName
inline constexpr int AUTOSAVE_TIME_NAME = 1;  // "時刻ファイル名": "%Y%m%d_%H%M%S.csv", local time
inline constexpr int AUTOSAVE_NUMBER_NAME = 2;  // "データ番号ファイル名": "No%d.csv", 0-based slot

// The platform's folder separator.
#if defined(_WIN32)
inline constexpr char FOLDER_SEPARATOR = '\\';
#else
inline constexpr char FOLDER_SEPARATOR = '/';
#endif

// The file name for the naming mode; empty for an unknown mode or when the
// local time cannot be had or formatted.
std::string AutoSaveFileName(const PanelOptions& options, int recordIndex, std::time_t now);
// saveFolder, one separator, the file name. The separator goes in even when
// the folder is empty, so the file then lands at the root (of the current
// drive on Windows).
std::string AutoSavePath(const PanelOptions& options, int recordIndex, std::time_t now);

struct AutoSaveResult {
    bool ok = false;
    std::string path;   // the path written or tried (UTF-8)
    std::string error;  // on failure: names the file and the reason
};

// Writes the record just acquired, recordIndex (recordCount[csvHead]), of
// head csvHead with every other option from options: one record, first =
// recordIndex, end = recordIndex + 1; a reference target writes the
// reference again.
AutoSaveResult AutoSaveCsv(Cvarnello_mfDoc& doc, SpectrumWorkspace& ws, const PanelOptions& options,
                           const ProcessingOptions& processing, int csvHead, int recordIndex,
                           std::time_t now);

}  // namespace vmf
