#pragma once
// Fixed bounds of the measurement store and the strong index types that keep a
// head slot from being passed where a device number belongs.

#include <cstdint>

namespace vmf {

inline constexpr int MAX_HEADS = 10;                  // head slots, and LED-driver slots
inline constexpr int MAX_CHANNELS = 288;              // channels per head
inline constexpr int MAX_RECORDS = 86400;             // record slots per head
inline constexpr int LAST_RECORD = MAX_RECORDS - 1;   // counters stop here
inline constexpr int DARK_STEPS = 21;                 // steps of the dark table
inline constexpr int WAVE_COEFFS = 6;                 // wavelength polynomial c0..c5
inline constexpr int MAX_LED_CHANNELS = 32;           // values kept per LED driver
inline constexpr int MAX_DEVICES = 10;                // device numbers 0..9
inline constexpr int REF_ENTRIES = MAX_CHANNELS + 1;  // references carry an exposure entry

// A spectrometer head's place in detection order; indexes every per-head array.
struct HeadSlot {
    int value = 0;
    constexpr explicit HeadSlot(int v = 0) : value(v) {}
    friend constexpr bool operator==(HeadSlot, HeadSlot) = default;
};

// The number under which the device library addresses a device (0..9).
struct DeviceNumber {
    int value = 0;
    constexpr explicit DeviceNumber(int v = 0) : value(v) {}
    friend constexpr bool operator==(DeviceNumber, DeviceNumber) = default;
};

}  // namespace vmf
