#pragma once
// Every colour value of one spectrum, with a clear refusal in place of any
// value that cannot be given: a light source's chromaticity, CCT and Duv,
// colour rendering, dominant wavelength and shape; a sample's (reflectance or
// transmittance in percent) XYZ, L*a*b* and L*C*h under D65 or D50; and the
// difference of two samples or two light sources.
//
// CIE values need the spectrum from 380 to 780 nm at least; where it reaches
// beyond, the rest of 360..830 nm is used, and where it ends it counts as 0.

#include <array>
#include <vector>

#include "spectrum/Chromaticity.h"
#include "spectrum/CieLab.h"
#include "spectrum/ColourGrid.h"
#include "spectrum/ColourRendering.h"
#include "spectrum/SpectrumShape.h"

namespace vmf {

inline constexpr int CIE_NEEDED_FROM_NM = 380;
inline constexpr int CIE_NEEDED_TO_NM = 780;

// Why a value is not given. None means it is.
enum class ColourRefusal {
    None,
    NoSpectrum,     // no record to show (nothing measured or loaded there)
    NotANumber,     // the spectrum holds NaN or an infinity
    NotCovered,     // the spectrum does not reach from 380 to 780 nm
    Dark,           // nothing above 0: no colour
    OutOfRange,     // CCT outside 1000..100000 K
    FarFromLocus,   // |Duv| above 0.05: no correlated colour temperature
    NoReference,    // CCT outside the colour rendering references (above 25000 K)
    NoHue,          // on the white point: no dominant wavelength
    NoHalfMaximum,  // does not fall to half the peak on both sides
    NotComparable,  // the comparison lacks a value or is of another kind
    BadMagnitude,   // values so large or small that X + Y + Z cannot be formed
};

// Input magnitudes the sums are safe for: far beyond any count or percentage,
// far inside what a double holds even summed and weighted over 471 nm.
inline constexpr double COLOUR_VALUE_MAX = 1e150;
inline constexpr double COLOUR_VALUE_MIN = 1e-150;
// A reflectance or transmittance above this (percent) is most likely a wrong
// reference; it is computed but flagged.
inline constexpr double SAMPLE_PERCENT_FLAG = 1000.0;

// A spectrum on whole nanometres: values[i] belongs to firstNm + i.
struct ColourInput {
    int firstNm = 0;
    std::vector<double> values;
    int LastNm() const { return firstNm + static_cast<int>(values.size()) - 1; }
};

enum class SampleIlluminant { D65, D50 };

struct ColourValues {
    bool sample = false;  // a reflectance/transmittance (true) or a light source
    SampleIlluminant illuminant = SampleIlluminant::D65;
    // The spectrum as a whole: when set, no CIE value below is valid.
    ColourRefusal refusal = ColourRefusal::None;
    Xyz xyz;  // light source: unnormalised sums; sample: Y = 100 for a perfect white
    Chromaticity chroma;

    // Light source.
    ColourRefusal cctRefusal = ColourRefusal::None;
    double cct = 0, duv = 0;
    ColourRefusal criRefusal = ColourRefusal::None;
    double ra = 0;
    std::array<double, TCS_COUNT> r{};
    double dc = 0;  // source-reference distance; above CRI_DC_LIMIT: doubtful

    // Sample.
    Lab lab;
    Lch lch;
    bool outOfRange = false;  // some value above SAMPLE_PERCENT_FLAG percent

    // Both: against illuminant E for a light source, the illuminant for a sample.
    ColourRefusal dominantRefusal = ColourRefusal::None;
    DominantWavelength dominant;

    // Shape of the spectrum itself (also when the CIE values are refused for
    // coverage or darkness).
    ColourRefusal shapeRefusal = ColourRefusal::None;
    ColourRefusal fwhmRefusal = ColourRefusal::None;
    SpectrumShape shape;
};

// A light source given as spectral power (any unit).
ColourValues LightSourceValuesOf(const ColourInput& in);

// A sample given as reflectance or transmittance in percent.
ColourValues SampleValuesOf(const ColourInput& in, SampleIlluminant illuminant);

struct ColourDifference {
    ColourRefusal refusal = ColourRefusal::NotComparable;
    bool sample = false;
    double deltaEab = 0, deltaE00 = 0;  // samples: shown against comparison
    double deltaUvPrime = 0;            // light sources: distance in u', v'
};

// The shown values against the comparison's (same kind, both valid).
ColourDifference DifferenceOf(const ColourValues& shown, const ColourValues& comparison);

// The few values a trend over many records plots: CCT and Duv, and Ra when
// asked (it costs some ten times more than the CCT).
struct ColourTrendPoint {
    ColourRefusal cctRefusal = ColourRefusal::None;
    double cct = 0, duv = 0;
    ColourRefusal criRefusal = ColourRefusal::None;
    double ra = 0;
};

ColourTrendPoint TrendPointOf(const ColourInput& in, bool withRa);
// The CCT and Duv of TrendPointOf for a light whose tristimulus values are
// known (Ra, which needs the spectrum, is left NotComparable).
ColourTrendPoint CctTrendPointOf(const Xyz& t);

}  // namespace vmf
