#pragma once
// A RecordingLibrary that also notes every exposure set and, for every
// spectrum read, the exposure the head had then, so the maintenance tests
// can count the steps of a procedure at the simulated bench.

#include <utility>
#include <vector>

#include "device/RecordingLibrary.h"

namespace vmf::test {

class CountingLibrary : public RecordingLibrary {
public:
    using RecordingLibrary::RecordingLibrary;

    std::vector<std::pair<int, double>> exposures;  // (device, µs) of every DevSetExposure
    std::vector<std::pair<int, double>> reads;      // (slot, exposure of that device then)
    int coefficientWrites = 0;
    int coefficientResult = 0;  // negative: DevSetCoefficients fails without reaching the device

    int DevSetExposure(DeviceNumber d, double e) override {
        exposures.emplace_back(d.value, e);
        last_[d.value] = e;
        return RecordingLibrary::DevSetExposure(d, e);
    }
    // The benches of these tests keep head slot k at device k.
    int DevReadSpectrum(HeadSlot s, int16_t c[MAX_CHANNELS]) override {
        reads.emplace_back(s.value, last_[s.value]);
        return RecordingLibrary::DevReadSpectrum(s, c);
    }
    int DevSetCoefficients(DeviceNumber d, const double c[WAVE_COEFFS]) override {
        ++coefficientWrites;
        if (coefficientResult < 0) return coefficientResult;
        return RecordingLibrary::DevSetCoefficients(d, c);
    }

private:
    double last_[MAX_DEVICES] = {};
};

}  // namespace vmf::test
