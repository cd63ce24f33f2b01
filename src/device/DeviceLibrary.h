#pragma once
// The device library: the sixteen operations every route to the heads offers
// (the real library on Windows, the simulated bench elsewhere or on request).
// Every implementation is thread-safe: the acquisition worker and the GUI
// thread may call at the same time. Return values: DevOpen gives 1 when a
// device answers; DevGetInfoText* give the text length; DevGetKind gives the
// kind code; the rest give 0 or more on success and a negative value on
// failure (which callers may ignore). The real library's own convention for
// the rest is unknown: its binding derives these values from what each call
// provably did (WinDeviceLibrary.h).

#include <cstdint>

#include "store/StoreBounds.h"

namespace vmf {

inline constexpr int kKindSpectrometer = 33;  // "C12880MA"
inline constexpr int kKindLed16 = 13;         // "LED16ch"
inline constexpr int kKindLed8 = 29;          // "LED8ch"
inline constexpr int kKindMirror = 34;        // "M-MIRROR"
inline constexpr int kInfoTextSize = 34;
inline constexpr int kSerialBufferSize = 64;

class DeviceLibrary {
public:
    virtual ~DeviceLibrary() = default;

    virtual int DevOpen(DeviceNumber dev) = 0;                                  // ordinal 1
    virtual int DevGetInfoText1(DeviceNumber dev, char* buffer, int size) = 0;  // ordinal 3
    virtual int DevGetInfoText2(DeviceNumber dev, char* buffer, int size) = 0;  // ordinal 4
    virtual int DevGetKind(DeviceNumber dev) = 0;                               // ordinal 5
    // Fills buffer (size bytes, normally 64) with NUL-terminated serial text.
    virtual int DevGetSerial(DeviceNumber dev, char* buffer, int size) = 0;            // ordinal 15
    virtual int DevSetSerial(DeviceNumber dev, const char* bytes, int size) = 0;       // ordinal 16
    virtual int DevGetCoefficients(DeviceNumber dev, double coeffs[WAVE_COEFFS]) = 0;  // 17
    virtual int DevSetCoefficients(DeviceNumber dev, const double coeffs[WAVE_COEFFS]) = 0;  // 18
    virtual int DevGetExposure(DeviceNumber dev, double* exposureUs) = 0;  // ordinal 10
    virtual int DevSetExposure(DeviceNumber dev, double exposureUs) = 0;   // ordinal 11
    // Reads one spectrum of the head in `slot`: slot k is the k-th spectrometer
    // head in ascending device number among the opened devices, the same order
    // detection assigns slots in. Blocks for the exposure time.
    virtual int DevReadSpectrum(HeadSlot slot, int16_t counts[MAX_CHANNELS]) = 0;  // ordinal 12
    virtual int DevGetTemperature(DeviceNumber dev, int16_t* tenthsC) = 0;         // ordinal 61
    // Sends one command of the head protocol (device/HeadCommands.h).
    virtual int DevWrite(DeviceNumber dev, const uint8_t* bytes, int size) = 0;  // ordinal 7
    // Reads the reply to the last command into buffer (at most size bytes).
    // Returns the number of reply bytes received (0 when there was none),
    // negative on failure.
    virtual int DevRead(DeviceNumber dev, uint8_t* buffer, int size) = 0;  // ordinal 8
    // Releases the device; it leaves the slot order even when it no longer answers.
    virtual int DevClose(DeviceNumber dev) = 0;                                 // ordinal 9
    virtual int DevSetMirrorPosition(DeviceNumber dev, uint16_t position) = 0;  // ordinal 63
};

}  // namespace vmf
