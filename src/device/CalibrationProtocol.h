#pragma once
// Moving a head's calibration tables between the head's own memory and the
// store, one command and one reply at a time (see HeadCommands.h).
//
// Every function addresses `dev`, the device number recorded for head slot
// `k`, and uses n = doc.channelCount[k] (clamped to 1..288).
//
// Reads are all or nothing: the table is assembled aside and copied into the
// store only when every reply arrived complete; a short, empty or failed reply
// leaves the store's table exactly as it was and returns false.
// Writes send one command per value, each followed by a 1-byte reply read
// (its content is not examined), and always end with one command past the
// table's last value carrying 0.0. They stop at the first missing reply and
// return false; the head may then hold a partly written table.

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "device/DeviceLibrary.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {

// --- Reads into the store (detection order: wavelength, dark 0..20, gain,
// white, transmission). ---------------------------------------------------
bool ReadWavelengthTable(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev);
bool ReadDarkStep(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev, int step);
bool ReadGainTable(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev);
bool ReadWhiteTable(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev);
bool ReadTransmissionTable(Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev);

// --- Writes from the store to the head. ------------------------------------
// n + 1 commands (channels 0..n, channel n carries 0.0).
bool WriteDarkStep(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev,
                   int step);
// n + 1 commands (index n carries 0.0).
bool WriteWavelengthTable(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k,
                          DeviceNumber dev);
// n + 2 commands each (index n is the exposure entry, index n + 1 carries 0.0).
bool WriteWhiteTable(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev);
bool WriteTransmissionTable(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k,
                            DeviceNumber dev);
bool WriteGainTable(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k, DeviceNumber dev);

// The 8 bytes WriteSerial sends for `text` (store bytes, read up to its first
// NUL): a first byte below '0' in signed comparison (control characters,
// blank, punctuation below '0', any byte of 0x80 or more) is dropped, then the
// first 8 bytes of the rest, zero-padded. Nothing when fewer than 7 bytes are
// left: such a serial is refused.
std::optional<std::array<char, 8>> SerialBytesFor(std::string_view text);

enum class SerialWrite {
    Sent,     // DevSetSerial accepted the 8 bytes
    Refused,  // fewer than 7 characters: nothing was sent
    Failed,   // sent, but the device reported failure
};
// Sends SerialBytesFor(text) with DevSetSerial(dev, bytes, 8). The store is
// not changed (the caller decides what serialNo becomes).
SerialWrite WriteSerial(const Cvarnello_mfDoc& doc, DeviceLibrary& lib, HeadSlot k,
                        DeviceNumber dev, std::string_view text);

// --- Span-level transfers, for callers that stage a head's tables before
// committing them (detection). Each returns false and leaves `out`
// unspecified on a failed or short reply. -----------------------------------
bool ReadWavelengthInto(DeviceLibrary& lib, DeviceNumber dev, int n, std::span<float> out);
bool ReadDarkStepInto(DeviceLibrary& lib, DeviceNumber dev, int step, int n, std::span<float> out);
// opcode: head::kReadGain, kReadWhite or kReadTrans; fills n + 1 values.
bool ReadReferenceInto(DeviceLibrary& lib, DeviceNumber dev, uint8_t opcode, int n,
                       std::span<float> out);

}  // namespace vmf
