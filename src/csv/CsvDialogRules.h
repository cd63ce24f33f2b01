#pragma once
// What the CSV options dialog does to the operator's entries on OK, kept
// apart from the widgets so every correction is testable without a window.

#include <optional>
#include <string>
#include <string_view>

namespace vmf {

// A decimal integer typed into an edit: leading blanks, an optional sign and
// the longest run of digits after it; text that is no number, or one beyond
// the range of int, reads as 0.
int ReadDialogInt(std::string_view text);

// The entries as read from the dialog on OK.
struct CsvDialogEntries {
    int csvStartNm = 340;
    int csvEndNm = 850;
    int csvStepNm = 10;
    int firstDataNumber = 1;  // as shown: 1-based, inclusive
    int endDataNumber = 0;    // as shown: the last record saved, 1-based
    std::string fixedFileName;
};

// The message refusing OK while the step would give no usable wavelength
// list (below 1 nm); nullopt when the step is fine.
std::optional<std::string> CsvStepRefusal(int stepNm);

// Forces the wavelengths into 340..850 nm with the end not before the start,
// in the dialog's order: start < 340 -> 340; end > 850 -> 850; start > 850
// -> 850; end < 340 -> start; end < start -> start.
void ClampCsvWavelengths(int& startNm, int& endNm);

// Turns the shown 1-based inclusive numbers into the writer's 0-based
// half-open range within recordCount records. With no records the range
// comes out as -1..0 or empty, which callers treat as nothing to save.
void ToCsvRecordRange(int& first, int& end, int recordCount);

// Appends ".csv" unless the name already ends in it in any case.
std::string WithCsvExtension(std::string name);

// A folder chosen in the browser: one trailing separator removed, so a
// drive root "C:\" becomes "C:" (and "/" becomes "", the root again once the
// automatic save joins folder and name).
std::string TrimChosenFolder(std::string path);

// All OK corrections in their order. Returns the refusal message and leaves
// e untouched when the step is below 1; otherwise corrects e in place.
// recordCount is the record counter of the head chosen.
std::optional<std::string> CorrectCsvDialogEntries(CsvDialogEntries& e, int recordCount);

}  // namespace vmf
