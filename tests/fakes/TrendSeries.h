#pragma once
// A store whose trend is known by construction: heads of 256 channels at
// 340, 342, ..., 850 nm, every record flat at 100 counts with one channel
// standing out, so the peak of each record is one known wavelength, and a
// temperature that rises record by record.

#include <cstdint>
#include <string>

#include "store/Cvarnello_mfDoc.h"

namespace vmf::test {

inline constexpr int kTrendChannels = 256;

// The channel that peaks in record r of head a (never channel 0, where the
// grid has no value).
inline int TrendPeakChannel(int a, int r) { return 1 + (7 * r + 3 * a) % 250; }
inline float TrendPeakValue(int a, int r) { return 1100.0f + 10.0f * r + a; }
inline float TrendTemperature(int a, int r) { return 20.0f + 0.5f * r + a; }
inline int64_t TrendTimeMs(int r) { return 1796000000000 + 1000 * static_cast<int64_t>(r); }

inline void FillTrendSeries(Cvarnello_mfDoc& doc, int heads, int records, bool times) {
    doc.headCount = heads;
    for (int a = 0; a < heads; ++a) {
        doc.headKind[a] = "C12880MA";
        doc.serialNo[a] = "TR" + std::to_string(a + 1);
        doc.channelCount[a] = kTrendChannels;
        doc.exposureUs[a] = 10000;
        for (int c = 0; c < kTrendChannels; ++c)
            doc.wavelengthNm[a][c] = 340.0f + 2.0f * c;
        for (int r = 0; r < records; ++r) {
            doc.EnsureRecordArrays(a, r);
            for (int c = 0; c < kTrendChannels; ++c) {
                const float v = c == TrendPeakChannel(a, r) ? TrendPeakValue(a, r) : 100.0f;
                doc.recRaw(a, r)[c] = v;
                doc.recProcessed(a, r)[c] = v;
            }
            doc.recExposureUs(a, r) = 10000 + 100 * r;
            doc.recTemperatureC(a, r) = TrendTemperature(a, r);
            if (times) {
                doc.recTimeUtcMs(a, r) = TrendTimeMs(r);
                doc.recUtcOffsetS(a, r) = 9 * 3600;
            }
        }
        doc.recordCount[a] = records;
    }
}

}  // namespace vmf::test
