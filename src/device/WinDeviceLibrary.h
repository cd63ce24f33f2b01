#pragma once
// The binding of the closed Windows library KVWinUSBIF.dll (compiled only on
// Windows). The library is loaded at run time and every operation is bound by
// ordinal, because the DLL exports no usable names.
//
// What the binding assumes of the DLL (calling convention __stdcall, int is
// 32-bit, a device number is passed as int 0..9):
//   ord  1  int DevOpen(int dev)                                  1 = answers
//   ord  3  int DevGetInfoText1(int dev, char* buf, int size)     text length
//   ord  4  int DevGetInfoText2(int dev, char* buf, int size)     text length
//   ord  5  int DevGetKind(int dev)                               kind code
//   ord  7  int DevWrite(int dev, const unsigned char* cmd, int len)
//   ord  8  int DevRead(int dev, unsigned char* buf, int len)     fills buf
//   ord  9  int DevClose(int dev)
//   ord 10  int DevGetExposure(int dev, double* us)
//   ord 11  int DevSetExposure(int dev, double us)
//   ord 12  int DevReadSpectrum(int slot, short counts[288])      see below
//   ord 15  int DevGetSerial(int dev, char* buf, int size)        NUL-terminated
//   ord 16  int DevSetSerial(int dev, const char* bytes, int size)
//   ord 17  int DevGetCoefficients(int dev, double coeffs[6])
//   ord 18  int DevSetCoefficients(int dev, const double coeffs[6])
//   ord 61  int DevGetTemperature(int dev, short* tenthsC)
//   ord 63  int DevSetMirrorPosition(int dev, unsigned short position)
//
// Only DevOpen's 1, the info texts' length and the kind code are known
// results (LibraryConventions.h). By default every other call is judged by
// what it provably did to its output buffers (ReplyEvidence.h): a DevRead
// whose buffer still holds the marker received nothing, a serial buffer
// without a NUL received no text, coefficients or exposure still holding
// the marker were not delivered; calls with nothing to show count as done.
// With trustReturnValues the return values are read instead (negative =
// failure, DevRead = bytes received).
//
// DevReadSpectrum gets the head slot by default. With spectrumByDevice the
// binding translates it into the device number of that slot by the slot
// rule of DeviceLibrary: the k-th device of kind 33 in ascending number among
// the devices opened through this binding, kinds as DevGetKind reported them.
//
// Each operation calls exactly its one entry point: DevOpen asks nothing
// else, so a device sees open, the two texts, the kind, then the head's
// reads, in the order detection calls them.
//
// Thread safety: the DLL's own is unknown, so every call into it is made
// under one mutex. A spectrum read holds it for the exposure time.

#include <array>
#include <memory>
#include <mutex>
#include <string>

#include "device/DeviceLibrary.h"
#include "device/LibraryConventions.h"

namespace vmf {

class WinDeviceLibrary : public DeviceLibrary {
public:
    // Loads the DLL (LoadLibraryW) and resolves all sixteen ordinals. Nothing
    // when the DLL is absent or an ordinal is missing; `error` says which.
    static std::unique_ptr<WinDeviceLibrary> Load(const wchar_t* dllName,
                                                  const LibraryConventions& conventions,
                                                  std::string& error);
    ~WinDeviceLibrary() override;

    int DevOpen(DeviceNumber dev) override;
    int DevGetInfoText1(DeviceNumber dev, char* buffer, int size) override;
    int DevGetInfoText2(DeviceNumber dev, char* buffer, int size) override;
    int DevGetKind(DeviceNumber dev) override;
    int DevGetSerial(DeviceNumber dev, char* buffer, int size) override;
    int DevSetSerial(DeviceNumber dev, const char* bytes, int size) override;
    int DevGetCoefficients(DeviceNumber dev, double coeffs[WAVE_COEFFS]) override;
    int DevSetCoefficients(DeviceNumber dev, const double coeffs[WAVE_COEFFS]) override;
    int DevGetExposure(DeviceNumber dev, double* exposureUs) override;
    int DevSetExposure(DeviceNumber dev, double exposureUs) override;
    int DevReadSpectrum(HeadSlot slot, int16_t counts[MAX_CHANNELS]) override;
    int DevGetTemperature(DeviceNumber dev, int16_t* tenthsC) override;
    int DevWrite(DeviceNumber dev, const uint8_t* bytes, int size) override;
    int DevRead(DeviceNumber dev, uint8_t* buffer, int size) override;
    int DevClose(DeviceNumber dev) override;
    int DevSetMirrorPosition(DeviceNumber dev, uint16_t position) override;

    struct Entries;  // the resolved function pointers (WinDeviceLibrary.cpp)

private:
    WinDeviceLibrary(void* module, std::unique_ptr<Entries> entries,
                     const LibraryConventions& conventions);
    // The result a call reports: the library's own value when it is trusted,
    // else `evidence` (what the buffers showed, or 0 where nothing can show).
    int Reported(int libraryValue, int evidence) const {
        return conventions_.trustReturnValues ? libraryValue : evidence;
    }
    static bool ValidDevice(DeviceNumber dev) { return dev.value >= 0 && dev.value < MAX_DEVICES; }

    const LibraryConventions conventions_;
    std::mutex mutex_;
    void* module_;  // HMODULE
    std::unique_ptr<Entries> entries_;
    std::array<bool, MAX_DEVICES> open_{};
    std::array<int, MAX_DEVICES> kind_{};
};

}  // namespace vmf
