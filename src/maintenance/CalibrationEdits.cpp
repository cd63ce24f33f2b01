#include "maintenance/CalibrationEdits.h"

#include <algorithm>

namespace vmf {

void ApplyCoefficientEntry(Cvarnello_mfDoc& doc, int head, const CoefficientEntry& entry) {
    if (head < 0 || head >= MAX_HEADS) return;
    doc.serialNo[head] = entry.serial;
    doc.wavePoly[head] = entry.coeffs;
    const auto& c = entry.coeffs;
    const int n = std::clamp(doc.channelCount[head], 0, MAX_CHANNELS);
    for (int x = 1; x <= n; ++x) {
        const double p = x;
        const double nm = c[0] + c[1] * p + c[2] * p * p + c[3] * p * p * p + c[4] * p * p * p * p +
                          c[5] * p * p * p * p * p;
        doc.wavelengthNm[head][x - 1] = static_cast<float>(nm);
    }
}

void InitialiseCalibrationTable(Cvarnello_mfDoc& doc, int head, int graphMax) {
    if (head < 0 || head >= MAX_HEADS) return;
    for (auto& step : doc.darkTable[head]) step.fill(0.0f);
    const float top = static_cast<float>(graphMax);
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        doc.gain[head][c] = 1.0f;
        doc.whiteRef[head][c] = top;
        doc.transRef[head][c] = top;
    }
}

}  // namespace vmf
