#include "spectrum/SpectrumWorkspace.h"

#include <algorithm>
#include <mutex>

#include "spectrum/CieObserver.h"
#include "spectrum/GridResampler.h"
#include "store/TextFormat.h"

namespace vmf {

static_assert(GRID_SIZE == GRID_POINTS, "resampler and workspace must share the grid");
static_assert(GRID_END_NM - GRID_START_NM + 1 == GRID_POINTS);

namespace {

constexpr int kDarkBaseStep = 0;
constexpr int kDarkSlopeStep = 19;
constexpr int kWorkingDarkStep = 20;

bool IsSlot(int a) { return a >= 0 && a < MAX_HEADS; }
bool IsRecord(int r) { return r >= 0 && r < MAX_RECORDS; }

// A loaded file or a device could in principle report a count outside the
// arrays; every loop uses the clamped count so nothing is read or written
// past a row.
int ChannelsOf(const Cvarnello_mfDoc& doc, int a) {
    return std::clamp(doc.channelCount[a], 0, MAX_CHANNELS);
}

bool UsesRatio(MeasuringMethod m) {
    return m == MeasuringMethod::Reflectance || m == MeasuringMethod::Transmittance;
}

}  // namespace

void SpectrumWorkspace::DeriveDarkModel(const Cvarnello_mfDoc& doc, int a) {
    if (!IsSlot(a)) return;
    const int n = ChannelsOf(doc, a);
    const auto& step0 = doc.darkTable[a][kDarkBaseStep];
    const auto& step19 = doc.darkTable[a][kDarkSlopeStep];
    auto& base = darkBase[a];
    auto& slope = darkSlope[a];
    base.fill(0.0f);
    slope.fill(0.0f);
    for (int c = 0; c < n; ++c) {
        base[c] = step0[c];
        // A falling or flat dark never gives a negative slope.
        slope[c] = step0[c] < step19[c] ? step19[c] - step0[c] : 0.0f;
    }
}

void SpectrumWorkspace::MakeWorkingDark(Cvarnello_mfDoc& doc, int a, float exposureUs) const {
    if (!IsSlot(a)) return;
    const int n = ChannelsOf(doc, a);
    auto& work = doc.darkTable[a][kWorkingDarkStep];
    const double x = exposureUs;
    for (int c = 0; c < n; ++c)
        work[c] =
            static_cast<float>(x * static_cast<double>(darkSlope[a][c]) / DARK_SLOPE_EXPOSURE_US +
                               static_cast<double>(darkBase[a][c]));
}

void SpectrumWorkspace::ProcessRecord(Cvarnello_mfDoc& doc, int a, int r,
                                      const ProcessingOptions& opt) {
    if (!IsSlot(a) || !IsRecord(r)) return;
    const float* raw = doc.recRaw(a, r);
    float* processed = doc.recProcessed(a, r);
    if (!raw || !processed) return;

    const int n = ChannelsOf(doc, a);
    const int32_t exposure = doc.recExposureUs(a, r);
    MakeWorkingDark(doc, a, static_cast<float>(exposure));
    const auto& dark = doc.darkTable[a][kWorkingDarkStep];
    const auto& gain = doc.gain[a];
    {
        // A counted record may be read by another thread meanwhile.
        const std::lock_guard<RecordGate> hold(doc.recordGate);
        for (int c = 0; c < n; ++c) {
            double d = static_cast<double>(raw[c]) - static_cast<double>(dark[c]);
            if (opt.sensitivityOn) d *= static_cast<double>(gain[c]);
            processed[c] = static_cast<float>(d);  // no clipping: negative values stay
        }
    }

    RatioAgainstReference(doc, a, processed, exposure, opt.method, ratioSpectrum[a]);
}

void RatioAgainstReference(const Cvarnello_mfDoc& doc, int a, const float* processed,
                           int32_t exposureUs, MeasuringMethod method,
                           std::array<float, MAX_CHANNELS>& ratio) {
    ratio.fill(0.0f);
    if (!IsSlot(a) || !processed) return;
    const int n = ChannelsOf(doc, a);
    // Without an exposure the reference-exposure factor has no value; a ratio
    // of 0 reads as "no ratio" like an unregistered reference does.
    if (!UsesRatio(method) || exposureUs == 0) return;
    const auto& ref = method == MeasuringMethod::Reflectance ? doc.whiteRef[a] : doc.transRef[a];
    // A reference taken at another exposure scales by the exposures' ratio.
    const float e =
        static_cast<float>(static_cast<double>(ref[n]) / static_cast<double>(exposureUs));
    for (int c = 0; c < n; ++c) {
        if (ref[c] >= MIN_REFERENCE_COUNTS)
            ratio[c] =
                static_cast<float>(static_cast<double>(processed[c]) / static_cast<double>(ref[c]) *
                                   100.0 * static_cast<double>(e));
    }
}

void SpectrumWorkspace::ResampleRecord(const Cvarnello_mfDoc& doc, int a, int r,
                                       const ProcessingOptions& opt) {
    if (!IsSlot(a) || !IsRecord(r)) return;
    const float* processed = doc.recProcessed(a, r);
    if (!processed || !doc.recRaw(a, r)) return;
    const int n = ChannelsOf(doc, a);
    const float* wl = doc.wavelengthNm[a].data();
    // Both spectra share the channel wavelengths, so the intervals are found once.
    GridBrackets brackets;
    FindBrackets(wl, n, brackets);
    ApplyBrackets(brackets, processed, wl, displaySpectrum[a].data());
    if (UsesRatio(opt.method))
        ApplyBrackets(brackets, ratioSpectrum[a].data(), wl, displayRatio[a].data());
}

bool SpectrumWorkspace::ReprocessDisplayed(Cvarnello_mfDoc& doc, int selectedHead,
                                           int displayedRecord, bool measuring,
                                           const ProcessingOptions& opt) {
    // While measuring the worker owns dark step 20 and the working slot.
    if (measuring) return false;
    const int heads = std::clamp(doc.headCount, 0, MAX_HEADS);
    if (selectedHead < 0 || selectedHead >= heads) return false;
    if (doc.recordCount[selectedHead] <= 0 || !IsRecord(displayedRecord)) return false;
    for (int a = 0; a < heads; ++a) {
        if (!doc.recRaw(a, displayedRecord) || !doc.recProcessed(a, displayedRecord)) continue;
        ProcessRecord(doc, a, displayedRecord, opt);
        ResampleRecord(doc, a, displayedRecord, opt);
    }
    return true;
}

void SpectrumWorkspace::ComputeStatistics(int a, int graphMax) {
    if (!IsSlot(a)) return;
    HeadStatistics& st = statistics[a];
    const auto& v = displaySpectrum[a];
    float minimum = static_cast<float>(graphMax);
    float maximum = 0.0f;
    float sum = 0.0f;
    int count = 0;
    for (int k = 0; k < GRID_POINTS; ++k) {
        const float x = v[k];
        // Strict comparisons: ties keep the shorter wavelength, and with no
        // qualifying value the wavelength keeps its previous value.
        if (x < minimum) {
            minimum = x;
            st.minimumNm = static_cast<float>(GRID_START_NM + k);
        }
        if (x > maximum) {
            maximum = x;
            st.maximumNm = static_cast<float>(GRID_START_NM + k);
        }
        sum = sum + x;
        ++count;
    }
    st.minimum = minimum;
    st.maximum = maximum;
    st.average = sum / static_cast<float>(count);
}

void SpectrumWorkspace::ComputeColour(int a, int selectedHead) {
    if (!IsSlot(a)) return;
    HeadColour& out = colour[a];
    out = HeadColour{};
    if (!IsSlot(selectedHead)) return;
    const auto& s = displaySpectrum[selectedHead];
    float X = 0.0f, Y = 0.0f, Z = 0.0f;
    for (const CieRow& row : kCie1931) {
        const float v = s[static_cast<size_t>(static_cast<int>(row.nm) - GRID_START_NM)];
        X = X + row.xbar * v;
        Y = Y + row.ybar * v;
        Z = Z + row.zbar * v;
    }
    const float T = X + Y + Z;
    // A zero sum (a dark or empty spectrum) has no chromaticity; 0 everywhere
    // keeps NaN out of the line and of anything that reads these values.
    if (T == 0.0f) return;
    out.x = X / T;
    out.y = Y / T;
    out.z = Z / T;
    const double x = out.x, y = out.y, z = out.z;
    out.R = static_cast<float>(0.41847 * x - 0.15866 * y - 0.082835 * z);
    out.G = static_cast<float>(-0.091169 * x + 0.25243 * y + 0.015708 * z);
    out.B = static_cast<float>(0.0009209 * x - 0.0025498 * y + 0.1786 * z);
}

std::string SpectrumWorkspace::UpdateInfoBarText(const Cvarnello_mfDoc& doc, int a, int displayKind,
                                                 int displayedRecord, int graphMax) {
    if (!IsSlot(a)) return {};
    const float temperature =
        IsRecord(displayedRecord) ? doc.recTemperatureC(a, displayedRecord) : 0.0f;
    return InfoBarText(a, displayKind, temperature, graphMax);
}

std::string SpectrumWorkspace::InfoBarText(int a, int displayKind, float temperature,
                                           int graphMax) {
    if (!IsSlot(a)) return {};
    if (displayKind != DISPLAY_KIND_STATISTICS) {
        ComputeColour(a, a);
        const HeadColour& c = colour[a];
        return CFormat("CIE X/Y/Z = %4.3f / %4.3f / %4.3f    R/G/B = %4.3f / %4.3f / %4.3f ", c.x,
                       c.y, c.z, c.R, c.G, c.B);
    }
    ComputeStatistics(a, graphMax);
    const HeadStatistics& st = statistics[a];
    return CFormat("average=%6.1f mininum = %6.1f(%3.0f) maximum = %6.1f(%3.0f) Temp=%3.1f",
                   st.average, st.minimum, st.minimumNm, st.maximum, st.maximumNm, temperature);
}

bool RegisterReference(Cvarnello_mfDoc& doc, int s, int r, bool white) {
    if (s < 0 || s >= std::clamp(doc.headCount, 0, MAX_HEADS) || !IsRecord(r)) return false;
    const float* processed = doc.recProcessed(s, r);
    if (!processed) return false;
    const int n = ChannelsOf(doc, s);
    auto& ref = white ? doc.whiteRef[s] : doc.transRef[s];
    std::copy(processed, processed + n, ref.begin());
    ref[static_cast<size_t>(n)] = static_cast<float>(doc.recExposureUs(s, r));
    return true;
}

}  // namespace vmf
