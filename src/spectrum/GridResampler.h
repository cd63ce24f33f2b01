#pragma once
// Linear resampling of a head's channel spectrum onto the 1-nm display grid.
//
// For grid wavelength c the interval is the smallest j with wl[j] < c <=
// wl[j+1] (open below, closed above, so a grid point on a channel wavelength
// takes that channel's value exactly); the value p[j] + (p[j+1] - p[j]) *
// (c - wl[j]) / (wl[j+1] - wl[j]) is evaluated in double and stored as float.
// A grid point that no channel pair brackets gets 0.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vmf {

inline constexpr int GRID_SIZE = 511;  // same as GRID_POINTS; kept here so this file stands alone

// The channel interval of every grid point: j, or -1 when none brackets it.
struct GridBrackets {
    std::array<int16_t, GRID_SIZE> lower{};
};

// True when wl[0..n-1] never falls (equal neighbours allowed) and holds no NaN.
bool ChannelWavelengthsRise(const float* wl, int n);

// Finds the intervals by scanning upward from channel 0 for every grid point
// (at most 511 x n comparisons); right for any channel order.
void FindBracketsByScan(const float* wl, int n, GridBrackets& out);

// Finds the same intervals in one merge pass (O(n + 511)); wl must satisfy
// ChannelWavelengthsRise.
void FindBracketsByMerge(const float* wl, int n, GridBrackets& out);

// The merge pass when the wavelengths rise, the scan otherwise.
void FindBrackets(const float* wl, int n, GridBrackets& out);

// Fills out[0..510] from p over the given intervals.
void ApplyBrackets(const GridBrackets& brackets, const float* p, const float* wl, float* out);

// The straightforward resampling: scan per grid point, then interpolate.
void ResampleByScan(const float* p, const float* wl, int n, float* out);

}  // namespace vmf
