#pragma once
// The CSV writer: one head's recorded spectra (processed or ratio, resampled
// at chosen whole-nanometre wavelengths) or one of its stored references, in
// the horizontal layout (one row per record) or the vertical one (one column
// per record). Every cell carries a trailing comma, every line ends CR LF,
// there is no byte-order mark and no quoting; numbers never follow the
// process locale.
//
// Records are prepared exactly as the panel shows them: ProcessRecord then
// ResampleRecord with the dark model, references and options in force now.
// So after a call the stored processed spectra of the records written are
// recomputed, and the workspace's grid arrays, ratio spectrum and dark step
// 20 of the head describe the last record written. GUI thread only (it uses
// the panel's workspace).

#include <string>

#include "common/FileProgress.h"
#include "csv/CsvSink.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

// What is written: the index in the options dialog's "保存対象" list.
inline constexpr int CSV_TARGET_PROCESSED = 0;  // "生データ"
inline constexpr int CSV_TARGET_RATIO = 1;      // "反射/透過データ"
inline constexpr int CSV_TARGET_WHITE = 2;      // "反射基準データ"
inline constexpr int CSV_TARGET_TRANS = 3;      // "透過基準データ"
inline constexpr int CSV_TARGET_COUNT = 4;

// The writer's arguments after the path, in the same order.
struct CsvRequest {
    int firstRecord = 0;  // 0-based, inclusive
    int endRecord = 0;    // 0-based, one past the last; first >= end is an empty range
    int head = 0;         // head slot 0..9
    bool addTemperature = true;
    bool addLabels = true;
    bool addExposure = true;
    bool vertical = true;
    int startWavelength = 340;  // nm; below 340 counts as 340
    int endWavelength = 850;    // nm, inclusive; above 850 counts as 850
    int stepWavelength = 10;    // nm; below 1 counts as 1
    // Targets 0 and 1: a first row (vertical) or column (horizontal) with
    // each record's time, ISO 8601 local time with milliseconds, labelled
    // "time,"; an empty cell for a record without a time. The panel never
    // sets it, so its files stay as they are.
    bool addTime = false;
};

class CsvWriter {
public:
    // target is csvTarget (0..3); processing carries the measuring method and
    // the sensitivity correction option in force.
    CsvWriter(Cvarnello_mfDoc& doc, SpectrumWorkspace& ws, const ProcessingOptions& processing,
              int target);

    // Writes the file at utf8Path (created, or replaced when it exists). On
    // failure returns false with error naming the file and the reason; an
    // existing file is then left as it was. Records outside the store, or a
    // slot in the range that holds no spectrum, are refused before anything
    // is written (targets 0 and 1; references ignore the range).
    bool WriteCsvFile(const std::string& utf8Path, int firstRecord, int endRecord, int head,
                      bool addTemperature, bool addLabels, bool addExposure, bool vertical,
                      int startWavelength, int endWavelength, int stepWavelength,
                      std::string& error);

    // The same content into any sink. error gets the reason alone.
    bool Write(CsvSink& sink, const CsvRequest& request, std::string& error);

    // Counts prepared records in progress (total set to the range first) and
    // stops with a failure ("cancelled") once its cancel is set; the target
    // file is then left as it was. nullptr reports nothing.
    void SetProgress(FileProgress* progress) { progress_ = progress; }

    // Checks what Write would refuse, without touching anything.
    bool Check(const CsvRequest& request, std::string& reason) const;

private:
    bool WriteChecked(CsvSink& sink, const CsvRequest& request, std::string& error);

    Cvarnello_mfDoc& doc_;
    SpectrumWorkspace& ws_;
    ProcessingOptions processing_;
    int target_;
    FileProgress* progress_ = nullptr;
};

}  // namespace vmf
