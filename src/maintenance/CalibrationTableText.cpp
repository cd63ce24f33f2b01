#include "maintenance/CalibrationTableText.h"

#include "store/Cvarnello_mfDoc.h"
#include "store/TextFormat.h"

namespace vmf {

std::string CalibrationTableText::ChannelLine(const Cvarnello_mfDoc& doc, int head, int c) {
    std::string line = CFormat("%3d: %5.1f %5.1f %5.1f %6.1f ", c + 1,
                               double(doc.wavelengthNm[head][c]), double(doc.gain[head][c]),
                               double(doc.whiteRef[head][c]), double(doc.transRef[head][c]));
    for (int s = 0; s < DARK_STEPS; ++s) {
        CFormatAppend(line, "%6.1f ", double(doc.darkTable[head][s][c]));
    }
    return line;
}

std::string CalibrationTableText::ExposureLine(const Cvarnello_mfDoc& doc, int head) {
    return CFormat("%3d: %5.1f %5.1f %5.1f %6.1f ", MAX_CHANNELS + 1, 0.0,
                   double(doc.gain[head][MAX_CHANNELS]), double(doc.whiteRef[head][MAX_CHANNELS]),
                   double(doc.transRef[head][MAX_CHANNELS]));
}

std::vector<std::string> CalibrationTableText::Lines(const Cvarnello_mfDoc& doc, int head) {
    std::vector<std::string> lines;
    lines.reserve(MAX_CHANNELS + 1);
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        lines.push_back(ChannelLine(doc, head, c));
    }
    lines.push_back(ExposureLine(doc, head));
    return lines;
}

}  // namespace vmf
