#pragma once
// One averaged spectrum of a head: the reads of a measuring cycle, of the
// panel's dark measurement and of the maintenance procedures.

#include <array>

#include "device/DeviceLibrary.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

using ChannelSpectrum = std::array<float, MAX_CHANNELS>;

// Reads `count` spectra of head slot a (count >= 1), sums the first
// channelCount[a] values of each in single precision and divides by count,
// leaving the average in `current` (channels past the count are 0) and in
// recRaw[a][r]. A read the library reports as failed adds zeros, never stale
// buffer contents. Returns false without reading when a, r or count is out of
// range, and false after reading when slot r could not get its arrays
// (`current` still holds the average then).
bool ReadAveragedSpectrum(Cvarnello_mfDoc& doc, DeviceLibrary& lib, int a, int r, int count,
                          ChannelSpectrum& current);

// The same average, left in `current` only: no record slot is touched, so
// maintenance reads never replace recorded data. Returns false without
// reading when a or count is out of range.
bool ReadAveragedCurrent(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, int a, int count,
                         ChannelSpectrum& current);

}  // namespace vmf
