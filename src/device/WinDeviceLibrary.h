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
//   ord  8  int DevRead(int dev, unsigned char* buf, int len)     bytes received
//   ord  9  int DevClose(int dev)
//   ord 10  int DevGetExposure(int dev, double* us)
//   ord 11  int DevSetExposure(int dev, double us)
//   ord 12  int DevReadSpectrum(int dev, short counts[288])
//   ord 15  int DevGetSerial(int dev, char* buf, int size)        NUL-terminated
//   ord 16  int DevSetSerial(int dev, const char* bytes, int size)
//   ord 17  int DevGetCoefficients(int dev, double coeffs[6])
//   ord 18  int DevSetCoefficients(int dev, const double coeffs[6])
//   ord 61  int DevGetTemperature(int dev, short* tenthsC)
//   ord 63  int DevSetMirrorPosition(int dev, unsigned short position)
//
// The spectrum read of the DLL is taken to address the device number, like
// every other operation. The binding therefore translates the head slot it
// receives into a device number by the slot rule of DeviceLibrary: slot k is
// the k-th device of kind 33 in ascending device number among the devices
// opened through this binding (kinds are learnt when DevOpen succeeds).
//
// Thread safety: the DLL's own is unknown, so every call into it is made
// under one mutex. A spectrum read holds it for the exposure time.

#include <array>
#include <memory>
#include <mutex>
#include <string>

#include "device/DeviceLibrary.h"

namespace vmf {

class WinDeviceLibrary : public DeviceLibrary {
public:
    // Loads the DLL (LoadLibraryW) and resolves all sixteen ordinals. Nothing
    // when the DLL is absent or an ordinal is missing; `error` says which.
    static std::unique_ptr<WinDeviceLibrary> Load(const wchar_t* dllName, std::string& error);
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
    WinDeviceLibrary(void* module, std::unique_ptr<Entries> entries);
    static bool ValidDevice(DeviceNumber dev) { return dev.value >= 0 && dev.value < MAX_DEVICES; }

    std::mutex mutex_;
    void* module_;  // HMODULE
    std::unique_ptr<Entries> entries_;
    std::array<bool, MAX_DEVICES> open_{};
    std::array<int, MAX_DEVICES> kind_{};
};

}  // namespace vmf
