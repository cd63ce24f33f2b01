#pragma once
// The millisecond tick counter the cycle schedules by: 32 bits, wrapping,
// like the system tick counter. Differences are taken in unsigned arithmetic.

#include <cstdint>

namespace vmf {

uint32_t SteadyTickMs();

}  // namespace vmf
