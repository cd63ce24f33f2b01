#include "maintenance/GainProcedure.h"

#include <algorithm>
#include <cmath>

#include "spectrum/CurveLookup.h"
#include "spectrum/LampCurve.h"
#include "spectrum/ResponseCurve.h"

namespace vmf {

namespace {
int Channels(const Cvarnello_mfDoc& doc, int head) {
    return std::clamp(doc.channelCount[head], 0, MAX_CHANNELS);
}
}  // namespace

GainShapes PrepareGainShapes(const Cvarnello_mfDoc& doc, int head, int graphMax) {
    GainShapes shapes;
    if (head < 0 || head >= MAX_HEADS) return shapes;
    const int n = Channels(doc, head);
    float m = 0.0f;
    for (int c = 0; c < n; ++c) {
        shapes.expectedLamp[c] = CurveLookup(lampCurve, doc.wavelengthNm[head][c]);
        m = std::max(m, shapes.expectedLamp[c]);
    }
    for (int c = 0; c < n; ++c) {
        shapes.expectedLamp[c] = static_cast<float>(graphMax) * shapes.expectedLamp[c] / m;
        shapes.responseShape[c] = CurveLookup(responseCurve, doc.wavelengthNm[head][c]);
    }
    return shapes;
}

GainResult ComputeGain(const Cvarnello_mfDoc& doc, int head, const GainShapes& shapes,
                       const ChannelSpectrum& s) {
    GainResult result;
    if (head < 0 || head >= MAX_HEADS) return result;
    const int n = Channels(doc, head);
    std::array<float, MAX_CHANNELS> t{};
    for (int c = 0; c < n; ++c) {
        t[c] = (s[c] - doc.darkTable[head][0][c]) / shapes.expectedLamp[c];
    }
    std::array<float, MAX_CHANNELS> work{};
    for (int c = 0; c < n; ++c) {
        if (c > 5 && c < n - 5) {
            float sum = t[c - 2];
            sum += t[c - 1];
            sum += t[c];
            sum += t[c + 1];
            sum += t[c + 2];
            work[c] = sum / 5.0f;
        } else {
            work[c] = t[c];
        }
    }
    int k = 0;
    while (k < n && !(doc.wavelengthNm[head][k] > GAIN_SHORT_WAVE_LIMIT_NM)) ++k;
    if (k == n) {
        result.outcome = GainOutcome::NoChannelAboveLimit;
        return result;
    }
    for (int c = 0; c < k; ++c) {
        work[c] = shapes.responseShape[c] * work[k] / shapes.responseShape[k];
    }
    // A lamp value of 0 (a channel past 900 nm) or a channel without signal
    // would put an infinite or undefined gain into every later correction.
    auto notFinite = [&](int c) {
        result.outcome = GainOutcome::NotFinite;
        result.badChannel = c;
        return result;
    };
    for (int c = 0; c < n; ++c) {
        if (!std::isfinite(work[c])) return notFinite(c);
    }
    float m = 0.0f;
    for (int c = 0; c < n; ++c) m = std::max(m, work[c]);
    if (!(m > 0.0f)) {
        result.outcome = GainOutcome::NoSignal;
        return result;
    }
    for (int c = 0; c < n; ++c) {
        work[c] = work[c] / m;
        result.gain[c] = 1.0f / work[c];
        if (!std::isfinite(result.gain[c])) return notFinite(c);
    }
    result.gain[n] = static_cast<float>(doc.exposureUs[head]);
    result.outcome = GainOutcome::Measured;
    return result;
}

}  // namespace vmf
