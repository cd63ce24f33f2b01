// The coefficient list on any bytes.

#include <cstdint>
#include <string_view>

#include "maintenance/CoefficientListFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)vmf::CoefficientListFile::Parse(
        std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
