#pragma once
// Texts of the four operation-history entries the system writes itself. Each
// returns UTF-8 to pass to Cvarnello_mfDoc::AppendHistory, which stamps it and
// stores it in code page 932. A whole entry is one line, whatever the number
// of heads.

#include <string>

namespace vmf {

class Cvarnello_mfDoc;

// "ヴァルネロ検出 " then "<a+1>:serial=<serialNo> exp=<exposureUs>  " for every
// head below headCount (each piece ends in two blanks).
std::string DetectionEntryText(const Cvarnello_mfDoc& doc);
// "ヴァルネロ解除 ".
std::string ReleaseEntryText();
// "計測開始 DataNo=<displayedRecord> wave comp=<sensitivityOn> " then
// "<a+1>:serial=<serialNo> exp=<exposureUs>" for every head, with no separator.
std::string StartEntryText(const Cvarnello_mfDoc& doc, int displayedRecord, int sensitivityOn);
// "計測終了 DataNo=<displayedRecord>".
std::string EndEntryText(int displayedRecord);

}  // namespace vmf
