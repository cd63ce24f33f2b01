#include "maintenance/CalibrationCsvFile.h"

#include <algorithm>

#include "csv/CsvFileSink.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextFormat.h"

namespace vmf {

std::string CalibrationCsvFile::Text(const Cvarnello_mfDoc& doc, int head) {
    const int n = std::clamp(doc.channelCount[head], 0, MAX_CHANNELS);
    std::string text;
    text.reserve(static_cast<size_t>(n) * 200);
    for (int c = 0; c < n; ++c) {
        CFormatAppend(text, "%3d,%5.1f,%5.1f,%5.1f,%6.1f,", c + 1,
                      double(doc.wavelengthNm[head][c]), double(doc.gain[head][c]),
                      double(doc.whiteRef[head][c]), double(doc.transRef[head][c]));
        for (int s = 0; s < DARK_STEPS; ++s) {
            CFormatAppend(text, "%6.1f,", double(doc.darkTable[head][s][c]));
        }
        text += "\r\n";
    }
    return text;
}

bool CalibrationCsvFile::Save(const Cvarnello_mfDoc& doc, int head, const std::string& utf8Path,
                              std::string& error) {
    const std::string text = Text(doc, head);
    CsvFileSink sink;
    std::string reason;
    if (sink.Open(utf8Path, reason) && sink.Append(text.data(), text.size(), reason) &&
        sink.Commit(reason)) {
        return true;
    }
    error = CsvSaveFailedText(utf8Path, reason);
    return false;
}

}  // namespace vmf
