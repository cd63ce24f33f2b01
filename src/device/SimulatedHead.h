#pragma once
// One simulated spectrometer head: its calibration memory with the command
// protocol that serves it, and the physical model its spectra come from.
// Not thread-safe by itself; SimulatedDeviceLibrary guards it.
//
// Model of channel c (0-based, pixel x = c + 1, wavelength λ = poly(x)):
//   counts = scene(λ) × response(λ) × prnu[c] × kCountsPerUs × exposure
//          + darkBase[c] + darkSlope[c] × exposure + kTempCounts × (T − 25 °C)
//          + shot noise (√(kShotFactor × signal)) + read noise (kReadNoise)
// rounded and clipped to signed 16-bit. A white plate at 10 ms peaks at about
// 4000 counts above dark.

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "device/BenchDescription.h"
#include "device/SimulatedDeviceLibrary.h"

namespace vmf {

class SimulatedHead {
public:
    static constexpr double kDefaultExposureUs = 10000.0;
    static constexpr double kReferenceTempC = 25.0;
    static constexpr double kCountsPerUs = 0.4;  // scene × response = 1
    static constexpr double kTempCounts = 1.5;   // dark offset per °C
    static constexpr double kShotFactor = 0.5;
    static constexpr double kReadNoise = 2.5;

    SimulatedHead(const std::string& serial, DeviceNumber number, uint64_t seed);

    HeadMemory memory;
    double exposureUs = kDefaultExposureUs;
    double temperatureC = kReferenceTempC + 0.3;

    // Handles one command of the calibration protocol and returns the reply:
    // the requested data, an ACK byte for a write, or a NAK byte for anything
    // unknown or malformed. The memory changes only by well-formed writes.
    std::vector<uint8_t> HandleCommand(const uint8_t* bytes, int size);
    // True for the command that closes a table write (the one past the last
    // value): the moment a transferred table is complete.
    static bool IsClosingWrite(const uint8_t* bytes, int size);

    // One noisy spectrum at the current exposure and temperature.
    void ReadSpectrum(Scene scene, int16_t out[MAX_CHANNELS]);
    // The noiseless mean of channel c.
    double ExpectedCounts(Scene scene, double exposureUs, int c) const;
    // Noiseless dark level of channel c at `exposureUs` and the reference
    // temperature (what the default dark table holds).
    double DarkCounts(double exposureUs, int c) const;

    // Relative radiance the head sees from `scene` at `nm` (white plate ≈ 1 at
    // the response peak).
    static double SceneRadiance(Scene scene, double nm);
    // Wavelength of 1-based pixel x under coefficients c0..c5.
    static double Polynomial(const std::array<double, WAVE_COEFFS>& c, double x);

private:
    double SignalCounts(Scene scene, double exposureUs, int c) const;

    std::array<double, WAVE_COEFFS> trueCoeffs_{};  // the optics; memory.coeffs may be rewritten
    std::array<double, MAX_CHANNELS> response_{};   // response × prnu × kCountsPerUs
    std::array<double, MAX_CHANNELS> darkBase_{};
    std::array<double, MAX_CHANNELS> darkSlope_{};  // counts per µs
    std::mt19937_64 rng_;
};

}  // namespace vmf
