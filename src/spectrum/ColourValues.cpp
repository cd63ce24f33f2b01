#include "spectrum/ColourValues.h"

#include <algorithm>
#include <cmath>

#include "spectrum/Illuminants.h"
#include "spectrum/PlanckianCct.h"

namespace vmf {

namespace {

// Checks the input and puts it on the colour grid (0 where it has no value).
ColourRefusal OnColourGrid(const ColourInput& in, Spectrum1nm& grid) {
    grid.fill(0.0);
    if (in.values.empty()) return ColourRefusal::NoSpectrum;
    double largest = 0;
    for (double v : in.values) {
        if (!std::isfinite(v)) return ColourRefusal::NotANumber;
        largest = std::max(largest, std::fabs(v));
    }
    // Past these the weighted sums overflow to infinity or vanish into zero,
    // and the chromaticity would be NaN or a plain 0.
    if (largest > COLOUR_VALUE_MAX || (largest > 0 && largest < COLOUR_VALUE_MIN))
        return ColourRefusal::BadMagnitude;
    for (int i = 0; i < COLOUR_POINTS; ++i) {
        const int k = COLOUR_START_NM + i - in.firstNm;
        if (k >= 0 && k < static_cast<int>(in.values.size()))
            grid[static_cast<size_t>(i)] = in.values[static_cast<size_t>(k)];
    }
    if (in.firstNm > CIE_NEEDED_FROM_NM || in.LastNm() < CIE_NEEDED_TO_NM)
        return ColourRefusal::NotCovered;
    return ColourRefusal::None;
}

void FillShape(const ColourInput& in, ColourValues& out) {
    if (out.refusal == ColourRefusal::NoSpectrum || out.refusal == ColourRefusal::NotANumber) {
        out.shapeRefusal = out.fwhmRefusal = out.refusal;
        return;
    }
    out.shape = ShapeOf(in.values.data(), static_cast<int>(in.values.size()), in.firstNm);
    out.shapeRefusal = out.shape.valid ? ColourRefusal::None : ColourRefusal::Dark;
    out.fwhmRefusal = !out.shape.valid      ? ColourRefusal::Dark
                      : out.shape.fwhmValid ? ColourRefusal::None
                                            : ColourRefusal::NoHalfMaximum;
}

void FillDominant(ColourValues& out, double wx, double wy) {
    out.dominant = DominantWavelengthOf(out.chroma.x, out.chroma.y, wx, wy);
    out.dominantRefusal = out.dominant.found ? ColourRefusal::None : ColourRefusal::NoHue;
}

// Marks every CIE value with the spectrum's own refusal.
void RefuseAll(ColourValues& out) {
    out.cctRefusal = out.criRefusal = out.dominantRefusal = out.refusal;
}

// The light on the colour grid and its tristimulus values. A spectrum of noise
// around zero can sum to a small positive Y with a negative X or Z; it has no
// chromaticity either, so it counts as dark.
ColourRefusal LightOnGrid(const ColourInput& in, Spectrum1nm& s, Xyz& t) {
    ColourRefusal refusal = OnColourGrid(in, s);
    if (refusal != ColourRefusal::None) return refusal;
    t = Tristimulus(s);
    return t.Y > 0 && t.X >= 0 && t.Z >= 0 ? ColourRefusal::None : ColourRefusal::Dark;
}

ColourRefusal CctRefusalOf(CctOutcome o) {
    switch (o) {
        case CctOutcome::Ok:
            return ColourRefusal::None;
        case CctOutcome::OutOfRange:
            return ColourRefusal::OutOfRange;
        case CctOutcome::FarFromLocus:
            return ColourRefusal::FarFromLocus;
        case CctOutcome::NoChromaticity:
            break;
    }
    return ColourRefusal::Dark;
}

}  // namespace

ColourValues LightSourceValuesOf(const ColourInput& in) {
    ColourValues out;
    Spectrum1nm s;
    out.refusal = LightOnGrid(in, s, out.xyz);
    FillShape(in, out);
    if (out.refusal != ColourRefusal::None) {
        RefuseAll(out);
        return out;
    }
    out.chroma = ChromaticityOf(out.xyz);
    const CctResult c = CctFromUv(out.chroma.u, out.chroma.v);
    out.cctRefusal = CctRefusalOf(c.outcome);
    if (out.cctRefusal == ColourRefusal::None) {
        out.cct = c.cct;
        out.duv = c.duv;
        const ColourRenderingResult cri = ColourRenderingOf(s, c.cct);
        out.criRefusal = cri.valid ? ColourRefusal::None : ColourRefusal::NoReference;
        out.ra = cri.ra;
        out.r = cri.r;
        out.dc = cri.dc;
    } else {
        out.criRefusal = out.cctRefusal;
    }
    FillDominant(out, 1.0 / 3.0, 1.0 / 3.0);
    return out;
}

ColourValues SampleValuesOf(const ColourInput& in, SampleIlluminant illuminant) {
    ColourValues out;
    out.sample = true;
    out.illuminant = illuminant;
    Spectrum1nm ratio;
    out.refusal = OnColourGrid(in, ratio);
    FillShape(in, out);
    for (double v : in.values) out.outOfRange = out.outOfRange || v > SAMPLE_PERCENT_FLAG;
    const Spectrum1nm& light =
        illuminant == SampleIlluminant::D50 ? IlluminantD50() : IlluminantD65();
    if (out.refusal == ColourRefusal::None) {
        for (double& v : ratio) v /= 100.0;
        const Xyz white = Tristimulus(light);
        const double k = 100.0 / white.Y;
        const Xyz t = Tristimulus(light, ratio);
        out.xyz = {k * t.X, k * t.Y, k * t.Z};
        if (!(out.xyz.Y > 0) || !(out.xyz.X >= 0) || !(out.xyz.Z >= 0)) {
            out.refusal = ColourRefusal::Dark;
        } else {
            const Xyz n{k * white.X, 100.0, k * white.Z};
            out.chroma = ChromaticityOf(out.xyz);
            out.lab = LabOf(out.xyz, n);
            out.lch = LchOf(out.lab);
            const Chromaticity w = ChromaticityOf(n);
            FillDominant(out, w.x, w.y);
        }
    }
    out.cctRefusal = out.criRefusal = ColourRefusal::NotComparable;  // not a light source
    if (out.refusal != ColourRefusal::None) out.dominantRefusal = out.refusal;
    return out;
}

ColourDifference DifferenceOf(const ColourValues& shown, const ColourValues& comparison) {
    ColourDifference d;
    d.sample = shown.sample;
    if (shown.sample != comparison.sample ||
        (shown.sample && shown.illuminant != comparison.illuminant))
        return d;
    if (shown.refusal != ColourRefusal::None || comparison.refusal != ColourRefusal::None) {
        d.refusal = shown.refusal != ColourRefusal::None ? shown.refusal : comparison.refusal;
        return d;
    }
    d.refusal = ColourRefusal::None;
    if (shown.sample) {
        d.deltaEab = DeltaEab(shown.lab, comparison.lab);
        d.deltaE00 = DeltaE2000(shown.lab, comparison.lab);
    } else {
        d.deltaUvPrime = std::hypot(shown.chroma.up - comparison.chroma.up,
                                    shown.chroma.vp - comparison.chroma.vp);
    }
    return d;
}

ColourTrendPoint TrendPointOf(const ColourInput& in, bool withRa) {
    Spectrum1nm s;
    const ColourRefusal refusal = OnColourGrid(in, s);
    if (refusal != ColourRefusal::None) {
        ColourTrendPoint p;
        p.cctRefusal = p.criRefusal = refusal;
        return p;
    }
    ColourTrendPoint p = CctTrendPointOf(Tristimulus(s));
    if (!withRa || p.cctRefusal != ColourRefusal::None) return p;
    const ColourRenderingResult cri = ColourRenderingOf(s, p.cct);
    p.criRefusal = cri.valid ? ColourRefusal::None : ColourRefusal::NoReference;
    p.ra = cri.ra;
    return p;
}

ColourTrendPoint CctTrendPointOf(const Xyz& t) {
    ColourTrendPoint p;
    // As LightOnGrid: noise around zero has no chromaticity.
    if (!(t.Y > 0 && t.X >= 0 && t.Z >= 0)) {
        p.cctRefusal = p.criRefusal = ColourRefusal::Dark;
        return p;
    }
    const Chromaticity c = ChromaticityOf(t);
    const CctResult cct = CctFromUv(c.u, c.v);
    p.cctRefusal = CctRefusalOf(cct.outcome);
    p.criRefusal = p.cctRefusal;
    if (p.cctRefusal != ColourRefusal::None) return p;
    p.cct = cct.cct;
    p.duv = cct.duv;
    p.criRefusal = ColourRefusal::NotComparable;
    return p;
}

}  // namespace vmf
