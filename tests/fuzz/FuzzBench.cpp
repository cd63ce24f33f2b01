// The simulated bench's description text on any bytes.

#include <cstdint>
#include <string>
#include <string_view>

#include "device/BenchDescription.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    (void)vmf::ParseBenchText(std::string_view(reinterpret_cast<const char*>(data), size), error);
    return 0;
}
