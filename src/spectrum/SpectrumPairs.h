#pragma once
// A spectrum given as text rows "wavelength,value" (a spectrometer's export,
// a published table) brought onto whole nanometres for the colour values.

#include <string>
#include <string_view>

#include "spectrum/ColourValues.h"

namespace vmf {

// Reads rows "wavelength,value" (comma, semicolon, tab or blanks between;
// blank lines and a first row that is not a number are skipped). The
// wavelengths must rise by steps of 1 to 10 nm; values may be "nan" (the
// colour values then refuse). The spectrum is joined by straight lines onto
// every whole nanometre from the first to the last row. On bad text returns
// false with an English message naming the line, and leaves out unchanged.
bool ParseSpectrumPairs(std::string_view text, ColourInput& out, std::string& error);

}  // namespace vmf
