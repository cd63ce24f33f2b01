// The data file reader on any bytes: a load either fails cleanly or gives a
// store that saves to a file which loads and saves to the very same bytes.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "store/Cvarnello_mfDoc.h"
#include "store/DataArchive.h"

namespace {
std::string Saved(const vmf::Cvarnello_mfDoc& doc) {
    std::string out;
    vmf::DataArchive ar(out, "fuzz");
    doc.StoreTo(ar);
    return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto doc = std::make_unique<vmf::Cvarnello_mfDoc>();
    std::string error, notice;
    if (!doc->LoadFromBytes(data, size, "fuzz", error, notice)) return 0;
    const std::string once = Saved(*doc);
    auto again = std::make_unique<vmf::Cvarnello_mfDoc>();
    if (!again->LoadFromBytes(once.data(), once.size(), "fuzz", error, notice)) std::abort();
    if (Saved(*again) != once) std::abort();
    return 0;
}
