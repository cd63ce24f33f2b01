#pragma once
// The per-channel gain of a head from one averaged spectrum of the gain lamp:
// the dark-corrected counts are divided by what the lamp should give at each
// channel, smoothed over five channels, below 400 nm replaced by the sensor's
// response shape, and normalised so that the best-responding channel gets
// gain 1. All arithmetic is single precision in a fixed order, so the same
// spectrum always gives the same table.

#include <array>

#include "acquire/ReadAveragedSpectrum.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

inline constexpr int GAIN_READS = 10;
inline constexpr float GAIN_SHORT_WAVE_LIMIT_NM = 400.0f;

// Prepared once when the maintenance dialog opens, for its head.
struct GainShapes {
    std::array<float, MAX_CHANNELS> expectedLamp{};   // lamp curve scaled to graphMax at its peak
    std::array<float, MAX_CHANNELS> responseShape{};  // response curve, unscaled
};

// For each channel below channelCount[head]: the lamp curve and the response
// curve at the channel's wavelength; the lamp values scaled so the largest
// equals graphMax. Channels past the count stay 0.
GainShapes PrepareGainShapes(const Cvarnello_mfDoc& doc, int head, int graphMax);

enum class GainOutcome {
    Measured,
    NoChannelAboveLimit,  // no channel lies above 400 nm: nothing to anchor the shape
    NoSignal,             // no channel with a positive ratio (darkness)
    NotFinite,            // a channel's gain would be infinite or undefined
};

struct GainResult {
    GainOutcome outcome = GainOutcome::NoSignal;
    // The new gain row: channels 0..n-1, entry n the exposure (µs). Only
    // meaningful for Measured.
    std::array<float, REF_ENTRIES> gain{};
    int badChannel = -1;  // NotFinite: the first channel (0-based) concerned
};

// Computes the gain row of head `head` from spectrum s (the average of the
// gain reads at exposureUs[head]) against dark step 0. Pure: the store is
// only read.
GainResult ComputeGain(const Cvarnello_mfDoc& doc, int head, const GainShapes& shapes,
                       const ChannelSpectrum& s);

}  // namespace vmf
