#include "csv/AutoSaveCsv.h"

#include "csv/CsvFileSink.h"
#include "csv/CsvWriter.h"
#include "store/LocalTime.h"
#include "store/TextFormat.h"

namespace vmf {

std::string AutoSaveFileName(const PanelOptions& options, int recordIndex, std::time_t now) {
    switch (options.autoSaveNaming) {
        case AUTOSAVE_FIXED_NAME:
            return options.fixedFileName;
        case AUTOSAVE_TIME_NAME:
            return FormatLocalTime(now, "%Y%m%d_%H%M%S.csv");
        case AUTOSAVE_NUMBER_NAME:
            return CFormat("No%d.csv", recordIndex);
        default:
            return {};
    }
}

std::string AutoSavePath(const PanelOptions& options, int recordIndex, std::time_t now) {
    std::string path = options.saveFolder;
    path += FOLDER_SEPARATOR;
    path += AutoSaveFileName(options, recordIndex, now);
    return path;
}

std::string AutoSaveNames::Claim(const std::string& name) {
    if (used_.insert(name).second) return name;
    const size_t dot = name.rfind('.');
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (int n = 2;; ++n) {
        std::string next = CFormat("%s_%d%s", stem.c_str(), n, extension.c_str());
        if (used_.insert(next).second) return next;
    }
}

AutoSaveResult AutoSaveCsv(Cvarnello_mfDoc& doc, SpectrumWorkspace& ws, const PanelOptions& options,
                           const ProcessingOptions& processing, int csvHead, int recordIndex,
                           std::time_t now, AutoSaveNames* names) {
    AutoSaveResult result;
    std::string name = AutoSaveFileName(options, recordIndex, now);
    if (names && options.autoSaveNaming == AUTOSAVE_TIME_NAME && !name.empty())
        name = names->Claim(name);
    result.path = options.saveFolder + FOLDER_SEPARATOR + name;
    if (name.empty()) {
        // A bare folder would be refused by the file system anyway; say why.
        result.error = CsvSaveFailedText(result.path, "no file name");
        return result;
    }
    CsvWriter writer(doc, ws, processing, options.csvTarget);
    result.ok = writer.WriteCsvFile(
        result.path, recordIndex, recordIndex + 1, csvHead, options.csvAddTemp != 0,
        options.csvAddWave != 0, options.csvAddExposure != 0, options.csvVertical != 0,
        options.csvStartNm, options.csvEndNm, options.csvStepNm, result.error);
    return result;
}

}  // namespace vmf
