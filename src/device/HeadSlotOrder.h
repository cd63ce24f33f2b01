#pragma once
// The slot rule every DeviceLibrary follows for DevReadSpectrum: slot k is the
// k-th spectrometer head (kind 33) in ascending device number among the
// opened devices — the order detection hands slots out in.

#include <array>
#include <optional>

#include "device/DeviceLibrary.h"

namespace vmf {

// The device number of `slot`, given which numbers are open and their kinds;
// nothing when fewer heads are open.
inline std::optional<DeviceNumber> DeviceForSlot(const std::array<bool, MAX_DEVICES>& open,
                                                 const std::array<int, MAX_DEVICES>& kind,
                                                 HeadSlot slot) {
    if (slot.value < 0) return std::nullopt;
    int k = 0;
    for (int n = 0; n < MAX_DEVICES; ++n) {
        if (!open[n] || kind[n] != kKindSpectrometer) continue;
        if (k++ == slot.value) return DeviceNumber(n);
    }
    return std::nullopt;
}

}  // namespace vmf
