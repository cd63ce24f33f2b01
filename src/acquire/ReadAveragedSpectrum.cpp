#include "acquire/ReadAveragedSpectrum.h"

#include <algorithm>
#include <cstdint>

namespace vmf {

bool ReadAveragedCurrent(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, int a, int count,
                         ChannelSpectrum& current) {
    if (a < 0 || a >= MAX_HEADS || count < 1) return false;
    const int n = std::clamp(doc.channelCount[a], 0, MAX_CHANNELS);
    current.fill(0.0f);
    int16_t counts[MAX_CHANNELS];
    for (int i = 0; i < count; ++i) {
        std::fill(std::begin(counts), std::end(counts), int16_t{0});
        if (lib.DevReadSpectrum(HeadSlot(a), counts) < 0)
            std::fill(std::begin(counts), std::end(counts), int16_t{0});
        for (int c = 0; c < n; ++c) current[c] += static_cast<float>(counts[c]);
    }
    const float divisor = static_cast<float>(count);
    for (int c = 0; c < n; ++c) current[c] = current[c] / divisor;
    return true;
}

bool ReadAveragedSpectrum(Cvarnello_mfDoc& doc, DeviceLibrary& lib, int a, int r, int count,
                          ChannelSpectrum& current) {
    if (r < 0 || r >= MAX_RECORDS) return false;
    if (!ReadAveragedCurrent(doc, lib, a, count, current)) return false;
    const int n = std::clamp(doc.channelCount[a], 0, MAX_CHANNELS);
    if (!doc.EnsureRecordArrays(a, r)) return false;
    float* raw = doc.recRaw(a, r);
    std::copy(current.begin(), current.begin() + n, raw);
    return true;
}

}  // namespace vmf
