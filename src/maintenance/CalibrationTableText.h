#pragma once
// The text lines of the calibration table list: one line per channel with
// wavelength, gain, white, 100 % transmission and the 21 dark steps, then a
// line with the exposure entries of the three reference rows.

#include <string>
#include <vector>

namespace vmf {

class Cvarnello_mfDoc;

class CalibrationTableText {
public:
    // Lines of the table, per channel index 0..287 then the exposure line
    // (289 lines). Always all 288 channel lines, whatever channelCount[head]
    // says, so the list keeps its shape; head must be a valid slot 0..9.
    static std::vector<std::string> Lines(const Cvarnello_mfDoc& doc, int head);
    // The line of channel index c (0..287).
    static std::string ChannelLine(const Cvarnello_mfDoc& doc, int head, int c);
    // The last line: 289, 0.0 and the exposure entries of gain, white, transmission.
    static std::string ExposureLine(const Cvarnello_mfDoc& doc, int head);
};

}  // namespace vmf
