#include "spectrum/GridResampler.h"

namespace vmf {

namespace {
constexpr int kGridStartNm = 340;

inline float GridWavelength(int k) { return static_cast<float>(kGridStartNm + k); }

inline bool Brackets(const float* wl, int j, float c) { return wl[j] < c && c <= wl[j + 1]; }
}  // namespace

bool ChannelWavelengthsRise(const float* wl, int n) {
    for (int i = 0; i + 1 < n; ++i)
        if (!(wl[i] <= wl[i + 1])) return false;  // also false for NaN
    return true;
}

void FindBracketsByScan(const float* wl, int n, GridBrackets& out) {
    for (int k = 0; k < GRID_SIZE; ++k) {
        const float c = GridWavelength(k);
        int16_t found = -1;
        for (int j = 0; j + 1 < n; ++j)
            if (Brackets(wl, j, c)) {
                found = static_cast<int16_t>(j);
                break;
            }
        out.lower[static_cast<size_t>(k)] = found;
    }
}

void FindBracketsByMerge(const float* wl, int n, GridBrackets& out) {
    // In a non-falling sequence the only j with wl[j] < c <= wl[j+1] is one
    // below the first channel whose wavelength reaches c; as c rises that
    // channel only moves up, so one pointer serves the whole grid.
    int m = 0;
    for (int k = 0; k < GRID_SIZE; ++k) {
        const float c = GridWavelength(k);
        while (m < n && wl[m] < c) ++m;
        out.lower[static_cast<size_t>(k)] =
            (m >= 1 && m < n) ? static_cast<int16_t>(m - 1) : int16_t{-1};
    }
}

void FindBrackets(const float* wl, int n, GridBrackets& out) {
    if (ChannelWavelengthsRise(wl, n))
        FindBracketsByMerge(wl, n, out);
    else
        FindBracketsByScan(wl, n, out);
}

void ApplyBrackets(const GridBrackets& brackets, const float* p, const float* wl, float* out) {
    for (int k = 0; k < GRID_SIZE; ++k) {
        const int j = brackets.lower[static_cast<size_t>(k)];
        if (j < 0) {
            out[k] = 0.0f;
            continue;
        }
        const double c = GridWavelength(k);
        const double p0 = p[j], p1 = p[j + 1], w0 = wl[j], w1 = wl[j + 1];
        out[k] = static_cast<float>(p0 + (p1 - p0) * (c - w0) / (w1 - w0));
    }
}

void ResampleByScan(const float* p, const float* wl, int n, float* out) {
    GridBrackets brackets;
    FindBracketsByScan(wl, n, brackets);
    ApplyBrackets(brackets, p, wl, out);
}

}  // namespace vmf
