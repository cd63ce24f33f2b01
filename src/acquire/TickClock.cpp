#include "acquire/TickClock.h"

#include <chrono>

namespace vmf {

uint32_t SteadyTickMs() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

}  // namespace vmf
