#pragma once
// Colour values of recorded spectra: the displayed record of a head as the
// panel shows it, the comparison file's record as stored, and a cheap
// per-record trend of CCT, Duv and Ra over a head's stored records.

#include "spectrum/ColourValues.h"
#include "spectrum/GridResampler.h"
#include "spectrum/SpectrumWorkspace.h"

namespace vmf {

// What the colour values of a displayed record are taken from.
struct ColourRequest {
    const Cvarnello_mfDoc* doc = nullptr;
    const SpectrumWorkspace* ws = nullptr;  // displaySpectrum / displayRatio of the head
    int head = 0;
    int record = 0;
    MeasuringMethod method = MeasuringMethod::LightSource;
    SampleIlluminant illuminant = SampleIlluminant::D65;
    // The comparison file (none when null) and its head and record.
    const Cvarnello_mfDoc* compare = nullptr;
    int compareHead = 0;
    int compareRecord = 0;
};

struct RecordColour {
    ColourValues shown;  // refusal NoSpectrum when the head or record is not there
    bool hasComparison = false;
    // Reflectance or transmittance, and the comparison file holds no usable
    // reference of that kind for its head: its ratios are all 0.
    bool comparisonUnreferenced = false;
    ColourValues comparison;
    ColourDifference difference;
};

// Light-source values for method 0, sample values (the ratio spectrum) for
// reflectance and transmittance; with a comparison, its record as stored
// (ratio against the comparison file's own reference) and the difference.
RecordColour ColourOfDisplayed(const ColourRequest& request);

// Head a's grid spectrum (340..850 nm) as a colour input over the grid points
// its channel wavelengths bracket (elsewhere the resampled grid holds 0).
ColourInput GridColourInput(const std::array<float, GRID_POINTS>& grid,
                            const GridBrackets& brackets);

// The grid points a head's spectrum covers (what GridColourInput takes),
// found once per head; first is -1 when it covers none.
struct GridColourSpan {
    int first = -1, last = -1;
};
GridColourSpan ColourSpanOf(const GridBrackets& brackets);
// TrendPointOf(GridColourInput(grid, brackets), false), bit for bit, without
// copying the spectrum: the trend asks this of every record.
ColourTrendPoint GridCctTrendPoint(const std::array<float, GRID_POINTS>& grid, GridColourSpan span);

// Record r of head a as stored: its processed values (or, for reflectance and
// transmittance, their ratio against the store's reference) on the grid.
// Values empty (refusal NoSpectrum) when the head or record is not there.
ColourInput StoredRecordColourInput(const Cvarnello_mfDoc& doc, int a, int r,
                                    MeasuringMethod method);

// CCT, Duv and (when asked) Ra of one head's stored light-source records,
// record by record. The channel intervals are found once for the head.
class ColourTrend {
public:
    ColourTrend(const Cvarnello_mfDoc& doc, int a);
    // Refusal NoSpectrum for a record that is not there.
    ColourTrendPoint At(int r, bool withRa) const;

private:
    const Cvarnello_mfDoc& doc_;
    int head_;
    GridBrackets brackets_;
};

}  // namespace vmf
