#pragma once
// The calibration table of one head as a CSV file: one line per channel with
// number, wavelength, gain, white, 100 % transmission and the 21 dark steps,
// every cell comma-terminated, CR LF line ends, no header and no line for the
// exposure entries.

#include <string>

namespace vmf {

class Cvarnello_mfDoc;

class CalibrationCsvFile {
public:
    // The file's text for head slot `head` (0..9): channelCount[head] lines,
    // clamped to 0..288.
    static std::string Text(const Cvarnello_mfDoc& doc, int head);
    // Writes Text to utf8Path through a temporary file that replaces the
    // target only when complete. On failure returns false and sets error to a
    // message naming the file and the reason; an existing file is kept.
    static bool Save(const Cvarnello_mfDoc& doc, int head, const std::string& utf8Path,
                     std::string& error);
};

}  // namespace vmf
