#pragma once
// Keeps a simulated head's calibration memory in a file, so that tables
// written by the maintenance dialog survive a restart of a simulated session.
// Opt-in through the bench text (memory=FOLDER); tests leave it off.
//
// Layout, little-endian: "VMFHEAD1", u32 serial length (0..64), serial bytes,
// 6 doubles (coefficients), 288 floats (wavelengths), 21 × 288 floats (dark),
// 289 floats each of gain, white and transmission.

#include <optional>
#include <string>

#include "device/SimulatedDeviceLibrary.h"

namespace vmf {

// Reads a memory file; nothing when it is absent, short, long or not one.
std::optional<HeadMemory> LoadHeadMemory(const std::string& path);
// Writes through a temporary file renamed over the target, so an interrupted
// write never leaves a half file. False when the folder cannot be written.
bool SaveHeadMemory(const std::string& path, const HeadMemory& memory);

}  // namespace vmf
