#pragma once
// What the commands that read data files share: loading the data file,
// checking the head and record asked for, and processing that record as the
// panel does for a loaded document. Failures are told on stderr.

#include <memory>
#include <string>

#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf::cli {

// Reads path into doc; false (message on stderr) when it cannot. A load
// that had to leave something out (a damaged time-stamp trailer: the records
// without their times) still succeeds, and says so on stderr through
// TellLoadNotice.
bool LoadDataFile(const std::string& path, Cvarnello_mfDoc& doc, const char* command);

// "varnello-cli <command>: <notice>" on stderr, when there is a notice: every
// command that reads a data file tells it the same way.
void TellLoadNotice(const char* command, const std::string& notice);

// True when head a and record r exist with both spectra; otherwise false with
// a message on stderr.
bool CheckRecord(const Cvarnello_mfDoc& doc, int a, int r);

// "light", "reflectance" or "transmittance".
MeasuringMethod MethodOf(const std::string& name);

// Every head's dark model, then record r of head a through correction and
// resampling.
std::unique_ptr<SpectrumWorkspace> ProcessLikePanel(Cvarnello_mfDoc& doc, int a, int r,
                                                    const ProcessingOptions& opt);

}  // namespace vmf::cli
