#pragma once
// Deterministic stores with every kind of value the data file carries, so a
// round trip or an unchanged-after-failure check covers all fields.

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "store/Cvarnello_mfDoc.h"

namespace vmf::testing {

// A float from a counter, with the awkward values mixed in: negative zero, a
// quiet NaN with a payload, a signalling-pattern NaN, infinities, denormals.
inline float SampleFloat(uint32_t i) {
    switch (i % 11) {
        case 0:
            return -0.0f;
        case 1:
            return std::bit_cast<float>(0x7FC01234u);
        case 2:
            return std::bit_cast<float>(0xFF812345u);
        case 3:
            return std::numeric_limits<float>::infinity();
        case 4:
            return std::numeric_limits<float>::denorm_min() * static_cast<float>(i % 7 + 1);
        default:
            return static_cast<float>(i) * 0.37f - 1000.0f;
    }
}

// Two heads (288 channels and 5 channels), two LED drivers, records on both
// heads, a history with Japanese text. Entries the file does not carry (past a
// head's channel count) stay zero so a fresh store loads to the same state.
inline void FillSample(Cvarnello_mfDoc& doc, uint32_t seed, int records = 3) {
    uint32_t n = seed * 7919u;
    doc.headCount = 2;
    doc.channelCount[0] = 288;
    doc.channelCount[1] = 5;
    for (int a = 0; a < 2; ++a) {
        const int c = doc.channelCount[a];
        doc.headKind[a] = "C12880MA";
        doc.serialNo[a] = a == 0 ? "23A00001" : "\x83\x94X";  // CP932 bytes
        doc.exposureUs[a] = 10000 * (a + 1) + static_cast<int>(seed);
        for (int k = 0; k < WAVE_COEFFS; ++k) doc.wavePoly[a][k] = k == 2 ? -0.0 : 1e-3 * (++n);
        doc.wavePoly[a][5] = std::bit_cast<double>(0x7FF80000DEADBEEFull);
        for (int s = 0; s < DARK_STEPS; ++s)
            for (int ch = 0; ch < c; ++ch) doc.darkTable[a][s][ch] = SampleFloat(++n);
        for (int ch = 0; ch < c; ++ch) doc.wavelengthNm[a][ch] = SampleFloat(++n);
        for (int ch = 0; ch <= c; ++ch) {
            doc.gain[a][ch] = SampleFloat(++n);
            doc.whiteRef[a][ch] = SampleFloat(++n);
            doc.transRef[a][ch] = SampleFloat(++n);
        }
        doc.whiteRef[a][c] = 265.0f;  // the exposure entry of the reference row
        for (int r = 0; r < records; ++r) {
            doc.EnsureRecordArrays(a, r);
            doc.recExposureUs(a, r) = 1000 + r;
            doc.recTemperatureC(a, r) = SampleFloat(++n);
            for (int ch = 0; ch < c; ++ch) {
                doc.recRaw(a, r)[ch] = SampleFloat(++n);
                doc.recProcessed(a, r)[ch] = SampleFloat(++n);
            }
        }
        doc.recordCount[a] = records;
    }
    doc.ledDriverCount = 2;
    doc.ledChannelCount[0] = 16;
    doc.ledChannelCount[1] = 3;
    for (int k = 0; k < 16; ++k) doc.ledValue[0][k] = static_cast<int>(seed) * 100 + k - 8;
    for (int k = 0; k < 3; ++k) doc.ledValue[1][k] = -k;
    doc.historyText = "2026/01/02 03:04:05,\x8c\x76\x91\xaa\x8a\x4a\x8e\x6e \r\n";
}

}  // namespace vmf::testing
