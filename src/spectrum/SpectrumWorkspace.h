#pragma once
// The working arrays of spectrum processing and the operations that fill
// them: dark model, per-record correction, resampling onto the 1-nm display
// grid, statistics and colour values, and the text of the info line.
//
// One workspace belongs to the panel; the acquisition worker uses its own, so
// no array is ever written by two threads. The store's dark step 20 is the
// only shared scratch row: it describes the record processed last.

#include <array>
#include <cstdint>
#include <string>

#include "store/Cvarnello_mfDoc.h"
#include "store/StoreBounds.h"

namespace vmf {

// The display grid: every whole nanometre from 340 to 850; index k is 340 + k nm.
inline constexpr int GRID_START_NM = 340;
inline constexpr int GRID_END_NM = 850;
inline constexpr int GRID_POINTS = 511;

// Exposure of dark step 19, the far end of the straight-line dark model.
inline constexpr double DARK_SLOPE_EXPOSURE_US = 950000.0;
// Reference entries below this many counts give a ratio of 0 at that channel.
inline constexpr float MIN_REFERENCE_COUNTS = 10.0f;

enum class MeasuringMethod : int { LightSource = 0, Reflectance = 1, Transmittance = 2 };

struct ProcessingOptions {
    MeasuringMethod method = MeasuringMethod::LightSource;
    bool sensitivityOn = false;  // multiply by the head's per-channel gain
};

// Values behind the statistics line. The wavelengths (whole nm) start at 0
// and keep their value when no grid value qualifies.
struct HeadStatistics {
    float average = 0, minimum = 0, maximum = 0, minimumNm = 0, maximumNm = 0;
};

// Chromaticity coordinates x, y, z (sum 1) and their CIE RGB conversion.
struct HeadColour {
    float x = 0, y = 0, z = 0, R = 0, G = 0, B = 0;
};

// What the info line shows (combo box "表示データ").
inline constexpr int DISPLAY_KIND_STATISTICS = 0;
inline constexpr int DISPLAY_KIND_CIE = 1;

class SpectrumWorkspace {
public:
    std::array<std::array<float, MAX_CHANNELS>, MAX_HEADS> darkBase{}, darkSlope{}, ratioSpectrum{};
    std::array<std::array<float, GRID_POINTS>, MAX_HEADS> displaySpectrum{}, displayRatio{};
    std::array<HeadStatistics, MAX_HEADS> statistics{};
    std::array<HeadColour, MAX_HEADS> colour{};

    // Recomputes darkBase[a] and darkSlope[a] from dark steps 0 and 19 of
    // head a (a falling or flat dark gives slope 0). Ignores a outside 0..9.
    void DeriveDarkModel(const Cvarnello_mfDoc& doc, int a);

    // Writes the dark for exposureUs (µs) into dark step 20 of head a:
    // x * slope / 950000 + base, in double, stored as float.
    void MakeWorkingDark(Cvarnello_mfDoc& doc, int a, float exposureUs) const;

    // Corrects record r of head a: working dark into step 20, recProcessed =
    // (raw - step 20) [* gain], ratioSpectrum[a] from the method's reference.
    // Does nothing when a or r is out of range or slot r lacks either array.
    // Writes recProcessed under an exclusive hold of doc.recordGate.
    void ProcessRecord(Cvarnello_mfDoc& doc, int a, int r, const ProcessingOptions& opt);

    // Resamples recProcessed[a][r] into displaySpectrum[a] and, unless the
    // method is light source, ratioSpectrum[a] into displayRatio[a]. Grid
    // points no channel pair brackets get 0. Same guards as ProcessRecord.
    void ResampleRecord(const Cvarnello_mfDoc& doc, int a, int r, const ProcessingOptions& opt);

    // When not measuring and the selected head (a detected head) has at least
    // one record, processes and resamples displayedRecord for every head in
    // slot order, skipping heads whose slot has no arrays. Returns true when
    // it reprocessed; the caller then redraws.
    bool ReprocessDisplayed(Cvarnello_mfDoc& doc, int selectedHead, int displayedRecord,
                            bool measuring, const ProcessingOptions& opt);

    // Average, minimum and maximum of displaySpectrum[a] with their
    // wavelengths; the minimum starts at graphMax and the maximum at 0.
    void ComputeStatistics(int a, int graphMax);

    // Fills colour[a] from displaySpectrum[selectedHead]; X + Y + Z of 0 (or
    // an invalid selectedHead) gives all six values 0.
    void ComputeColour(int a, int selectedHead);

    // The info line for head a (the selected head): the statistics line for
    // displayKind 0, the CIE line otherwise. Empty when a is not a head slot.
    // The temperature is that of displayedRecord.
    std::string UpdateInfoBarText(const Cvarnello_mfDoc& doc, int a, int displayKind,
                                  int displayedRecord, int graphMax);
    // The same line with the temperature given (for a copy of the rows kept
    // away from the store, as the live view keeps them).
    std::string InfoBarText(int a, int displayKind, float temperatureC, int graphMax);
};

// The ratio in percent of processed[0..n-1] (record values of head a taken at
// exposureUs) against head a's white reference (reflectance) or 100 %
// transmission reference (transmittance), scaled by the reference's exposure;
// 0 where the reference is below MIN_REFERENCE_COUNTS, everywhere for the
// light source, and everywhere when exposureUs is 0. n = channelCount[a].
void RatioAgainstReference(const Cvarnello_mfDoc& doc, int a, const float* processed,
                           int32_t exposureUs, MeasuringMethod method,
                           std::array<float, MAX_CHANNELS>& ratio);

// Registers the processed spectrum of record r of head s as the white
// reference (white) or the 100 % transmission reference: entries 0..n-1 from
// recProcessed[s][r], entry n = recExposureUs[s][r] as float (n =
// channelCount[s]). Returns false and stores nothing when s is not below
// headCount, r is outside 0..86399 or slot r has no processed array (nothing
// measured or loaded there). The device write is the caller's.
bool RegisterReference(Cvarnello_mfDoc& doc, int s, int r, bool white);

}  // namespace vmf
