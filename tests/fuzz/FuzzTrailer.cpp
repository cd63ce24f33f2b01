// The time-stamp trailer on any bytes, against a store whose heads and record
// counts come from the first bytes: applied whole, or no time changes.

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "store/Cvarnello_mfDoc.h"
#include "store/TimeTrailer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    auto doc = std::make_unique<vmf::Cvarnello_mfDoc>();
    doc->headCount = data[0] % 4;
    for (int a = 0; a < doc->headCount; ++a) doc->recordCount[a] = data[1 + a % 2] % 8;
    (void)vmf::TrailerSize(data + 3, size - 3);
    const auto outcome = vmf::ApplyTimeTrailer(data + 3, size - 3, *doc);
    if (outcome != vmf::TrailerOutcome::Applied && doc->HasRecordTimes()) std::abort();
    if (outcome == vmf::TrailerOutcome::Applied && doc->HasRecordTimes()) {
        // What was read writes back to a trailer that reads the same.
        const std::string again = vmf::EncodeTimeTrailer(*doc);
        auto copy = std::make_unique<vmf::Cvarnello_mfDoc>();
        copy->headCount = doc->headCount;
        copy->recordCount = doc->recordCount;
        if (vmf::ApplyTimeTrailer(reinterpret_cast<const unsigned char*>(again.data()),
                                  again.size(), *copy) != vmf::TrailerOutcome::Applied ||
            vmf::EncodeTimeTrailer(*copy) != again)
            std::abort();
    }
    return 0;
}
