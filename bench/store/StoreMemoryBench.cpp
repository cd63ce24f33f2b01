// Resident memory of a full store (10 heads x 86399 records, both spectra of
// every slot present and written) against what its data needs: two spectra of
// 288 floats per record plus the fixed per-slot arrays. Prints one line.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "store/Cvarnello_mfDoc.h"

namespace {

long VmRssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

}  // namespace

int main() {
    const long before = VmRssKiB();
    auto doc = std::make_unique<vmf::Cvarnello_mfDoc>();
    doc->headCount = vmf::MAX_HEADS;
    // The fixed arrays are touched in full, as a long run would.
    for (int a = 0; a < vmf::MAX_HEADS; ++a)
        for (int r = 0; r < vmf::MAX_RECORDS; ++r) {
            doc->recExposureUs(a, r) = 1;
            doc->recTemperatureC(a, r) = 1.0f;
        }
    for (int a = 0; a < vmf::MAX_HEADS; ++a) {
        for (int r = 0; r < vmf::LAST_RECORD; ++r) {
            if (!doc->EnsureRecordArrays(a, r)) {
                std::fprintf(stderr, "allocation failed at head %d record %d\n", a, r);
                return 1;
            }
            doc->recRaw(a, r)[vmf::MAX_CHANNELS - 1] = 1.0f;
            doc->recProcessed(a, r)[0] = 1.0f;
        }
        doc->recordCount[a] = vmf::LAST_RECORD;
    }
    const long after = VmRssKiB();
    const double spectra = 10.0 * vmf::LAST_RECORD * 2 * vmf::MAX_CHANNELS * sizeof(float);
    const double fixed = sizeof(*doc) + sizeof(*doc->recExposureUsRows) +
                         sizeof(*doc->recTemperatureCRows) + sizeof(*doc->recRawRows) +
                         sizeof(*doc->recProcessedRows);
    const double used = static_cast<double>(after - before) * 1024.0;
    std::printf(
        "full store: RSS growth %.1f MiB, data %.1f MiB (spectra %.1f + fixed %.1f), overhead %.2f "
        "%%\n",
        used / 1048576.0, (spectra + fixed) / 1048576.0, spectra / 1048576.0, fixed / 1048576.0,
        100.0 * (used / (spectra + fixed) - 1.0));
    return 0;
}
