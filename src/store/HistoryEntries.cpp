#include "store/HistoryEntries.h"

#include <algorithm>

#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"
#include "store/TextFormat.h"

namespace vmf {
namespace {

// pieceFormat takes the 1-based head number, the serial number (UTF-8) and the
// exposure in microseconds.
void AppendHeadPieces(std::string& out, const Cvarnello_mfDoc& doc, const char* pieceFormat) {
    const int heads = std::clamp(doc.headCount, 0, MAX_HEADS);
    for (int a = 0; a < heads; ++a) {
        // The serial is held in code page 932; the entry is built in UTF-8
        // and converted back when it is appended.
        std::string serial = Cp932ToUtf8(doc.serialNo[a]);
        CFormatAppend(out, pieceFormat, a + 1, serial.c_str(), doc.exposureUs[a]);
    }
}

}  // namespace

std::string DetectionEntryText(const Cvarnello_mfDoc& doc) {
    std::string text = "ヴァルネロ検出 ";
    AppendHeadPieces(text, doc, "%d:serial=%s exp=%d  ");
    return text;
}

std::string ReleaseEntryText() { return "ヴァルネロ解除 "; }

std::string StartEntryText(const Cvarnello_mfDoc& doc, int displayedRecord, int sensitivityOn) {
    std::string text = CFormat("計測開始 DataNo=%d wave comp=%d ", displayedRecord, sensitivityOn);
    AppendHeadPieces(text, doc, "%d:serial=%s exp=%d");
    return text;
}

std::string EndEntryText(int displayedRecord) {
    return CFormat("計測終了 DataNo=%d", displayedRecord);
}

}  // namespace vmf
