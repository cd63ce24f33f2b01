#pragma once
// The colour values of a record as labelled rows for the colour window and
// its copy button, and the short codes and texts of the refusals.

#include <string>
#include <vector>

#include "spectrum/ColourRecord.h"

namespace vmf {

struct ColourRow {
    std::string label;  // UTF-8
    std::string value;  // UTF-8: the number with its unit, or why there is none
};

// Rows for head `head` (0-based; shown 1-based), record `record` (0-based;
// shown 1-based) measured with `method`.
std::vector<ColourRow> ColourRows(const RecordColour& values, int head, int record,
                                  MeasuringMethod method);

// "label<TAB>value" lines ending with CR LF, for the clipboard.
std::string ColourRowsText(const std::vector<ColourRow>& rows);

// Why a value is missing, in the program's own Japanese (UTF-8).
std::string ColourRefusalText(ColourRefusal refusal);

// A short code for JSON: "out-of-range", "dark", ...; "" for None.
const char* ColourRefusalCode(ColourRefusal refusal);

}  // namespace vmf
