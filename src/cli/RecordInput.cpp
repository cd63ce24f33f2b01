#include "cli/RecordInput.h"

#include <cstdio>

#include "cli/TerminalFileWork.h"

namespace vmf::cli {

void TellLoadNotice(const char* command, const std::string& notice) {
    if (!notice.empty()) std::fprintf(stderr, "varnello-cli %s: %s\n", command, notice.c_str());
}

bool LoadDataFile(const std::string& path, Cvarnello_mfDoc& doc, const char* command) {
    std::string error, notice;
    // Through the terminal's progress line, as every command's reading of a data file.
    if (LoadDataFile(doc, path, error, notice)) {
        TellLoadNotice(command, notice);
        return true;
    }
    std::fprintf(stderr, "%s\n", error.empty() ? ("cannot read " + path).c_str() : error.c_str());
    return false;
}

bool CheckRecord(const Cvarnello_mfDoc& doc, int a, int r) {
    if (a < 0 || a >= doc.headCount) {
        std::fprintf(stderr, "head %d is out of range: the file has %d head(s)\n", a,
                     doc.headCount);
        return false;
    }
    if (r < 0 || r >= doc.recordCount[a] || !doc.recRaw(a, r) || !doc.recProcessed(a, r)) {
        std::fprintf(stderr, "record %d is out of range: head %d has %d record(s)\n", r, a,
                     doc.recordCount[a]);
        return false;
    }
    return true;
}

MeasuringMethod MethodOf(const std::string& name) {
    if (name == "reflectance") return MeasuringMethod::Reflectance;
    if (name == "transmittance") return MeasuringMethod::Transmittance;
    return MeasuringMethod::LightSource;
}

std::unique_ptr<SpectrumWorkspace> ProcessLikePanel(Cvarnello_mfDoc& doc, int a, int r,
                                                    const ProcessingOptions& opt) {
    auto ws = std::make_unique<SpectrumWorkspace>();
    for (int h = 0; h < doc.headCount; ++h) ws->DeriveDarkModel(doc, h);
    ws->ProcessRecord(doc, a, r, opt);
    ws->ResampleRecord(doc, a, r, opt);
    return ws;
}

}  // namespace vmf::cli
