#include "device/WinDeviceLibrary.h"

#include <windows.h>

#include <span>
#include <string>

#include "device/HeadSlotOrder.h"
#include "device/ReplyEvidence.h"

namespace vmf {

// The DLL's entry points, as the header lists them.
struct WinDeviceLibrary::Entries {
    using IntFn = int(__stdcall*)(int);
    using TextFn = int(__stdcall*)(int, char*, int);
    using ConstTextFn = int(__stdcall*)(int, const char*, int);
    using BytesFn = int(__stdcall*)(int, const unsigned char*, int);
    using BufferFn = int(__stdcall*)(int, unsigned char*, int);
    using DoubleOutFn = int(__stdcall*)(int, double*);
    using DoubleInFn = int(__stdcall*)(int, double);
    using ConstDoublesFn = int(__stdcall*)(int, const double*);
    using ShortsFn = int(__stdcall*)(int, short*);
    using UShortFn = int(__stdcall*)(int, unsigned short);

    IntFn open = nullptr;                      // 1
    TextFn infoText1 = nullptr;                // 3
    TextFn infoText2 = nullptr;                // 4
    IntFn kind = nullptr;                      // 5
    BytesFn write = nullptr;                   // 7
    BufferFn read = nullptr;                   // 8
    IntFn close = nullptr;                     // 9
    DoubleOutFn getExposure = nullptr;         // 10
    DoubleInFn setExposure = nullptr;          // 11
    ShortsFn readSpectrum = nullptr;           // 12
    TextFn getSerial = nullptr;                // 15
    ConstTextFn setSerial = nullptr;           // 16
    DoubleOutFn getCoefficients = nullptr;     // 17
    ConstDoublesFn setCoefficients = nullptr;  // 18
    ShortsFn getTemperature = nullptr;         // 61
    UShortFn setMirrorPosition = nullptr;      // 63
};

namespace {

template <typename Fn>
bool Bind(HMODULE module, int ordinal, Fn& fn, std::string& error) {
    FARPROC proc = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    if (!proc) {
        error = "KVWinUSBIF.dll has no ordinal " + std::to_string(ordinal);
        return false;
    }
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
    return true;
}

}  // namespace

std::unique_ptr<WinDeviceLibrary> WinDeviceLibrary::Load(const wchar_t* dllName,
                                                         const LibraryConventions& conventions,
                                                         std::string& error) {
    HMODULE module = LoadLibraryW(dllName);
    if (!module) {
        error = "KVWinUSBIF.dll could not be loaded (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    auto e = std::make_unique<Entries>();
    bool ok = Bind(module, 1, e->open, error) && Bind(module, 3, e->infoText1, error) &&
              Bind(module, 4, e->infoText2, error) && Bind(module, 5, e->kind, error) &&
              Bind(module, 7, e->write, error) && Bind(module, 8, e->read, error) &&
              Bind(module, 9, e->close, error) && Bind(module, 10, e->getExposure, error) &&
              Bind(module, 11, e->setExposure, error) && Bind(module, 12, e->readSpectrum, error) &&
              Bind(module, 15, e->getSerial, error) && Bind(module, 16, e->setSerial, error) &&
              Bind(module, 17, e->getCoefficients, error) &&
              Bind(module, 18, e->setCoefficients, error) &&
              Bind(module, 61, e->getTemperature, error) &&
              Bind(module, 63, e->setMirrorPosition, error);
    if (!ok) {
        FreeLibrary(module);
        return nullptr;
    }
    return std::unique_ptr<WinDeviceLibrary>(new WinDeviceLibrary(module, std::move(e), conventions));
}

WinDeviceLibrary::WinDeviceLibrary(void* module, std::unique_ptr<Entries> entries,
                                   const LibraryConventions& conventions)
    : conventions_(conventions), module_(module), entries_(std::move(entries)) {}

// The DLL stays loaded until exit: the devices are deliberately left open at
// program end, and unloading a driver library with open handles is unsafe.
WinDeviceLibrary::~WinDeviceLibrary() = default;

int WinDeviceLibrary::DevOpen(DeviceNumber dev) {
    if (!ValidDevice(dev)) return 0;
    std::lock_guard lock(mutex_);
    int result = entries_->open(dev.value);
    if (result == 1) {
        open_[dev.value] = true;
        kind_[dev.value] = 0;  // learnt when the caller asks the kind
    }
    return result;
}

int WinDeviceLibrary::DevGetInfoText1(DeviceNumber dev, char* buffer, int size) {
    if (!ValidDevice(dev) || !buffer || size <= 0) return -1;
    std::lock_guard lock(mutex_);
    return entries_->infoText1(dev.value, buffer, size);
}

int WinDeviceLibrary::DevGetInfoText2(DeviceNumber dev, char* buffer, int size) {
    if (!ValidDevice(dev) || !buffer || size <= 0) return -1;
    std::lock_guard lock(mutex_);
    return entries_->infoText2(dev.value, buffer, size);
}

int WinDeviceLibrary::DevGetKind(DeviceNumber dev) {
    if (!ValidDevice(dev)) return -1;
    std::lock_guard lock(mutex_);
    int kind = entries_->kind(dev.value);
    if (open_[dev.value]) kind_[dev.value] = kind;
    return kind;
}

int WinDeviceLibrary::DevGetSerial(DeviceNumber dev, char* buffer, int size) {
    if (!ValidDevice(dev) || !buffer || size <= 0) return -1;
    std::lock_guard lock(mutex_);
    const std::span<char> text(buffer, static_cast<size_t>(size));
    MarkText(text);
    const int result = entries_->getSerial(dev.value, buffer, size);
    if (TextWritten(text)) return Reported(result, 0);
    buffer[0] = '\0';  // the marker is no text for the caller to take
    return Reported(result, -1);
}

int WinDeviceLibrary::DevSetSerial(DeviceNumber dev, const char* bytes, int size) {
    if (!ValidDevice(dev) || !bytes || size <= 0) return -1;
    std::lock_guard lock(mutex_);
    return Reported(entries_->setSerial(dev.value, bytes, size), 0);
}

int WinDeviceLibrary::DevGetCoefficients(DeviceNumber dev, double coeffs[WAVE_COEFFS]) {
    if (!ValidDevice(dev) || !coeffs) return -1;
    std::lock_guard lock(mutex_);
    const std::span<double> values(coeffs, WAVE_COEFFS);
    MarkDoubles(values);
    const int result = entries_->getCoefficients(dev.value, coeffs);
    return Reported(result, AllDoublesWritten(values) ? 0 : -1);
}

int WinDeviceLibrary::DevSetCoefficients(DeviceNumber dev, const double coeffs[WAVE_COEFFS]) {
    if (!ValidDevice(dev) || !coeffs) return -1;
    std::lock_guard lock(mutex_);
    return Reported(entries_->setCoefficients(dev.value, coeffs), 0);
}

int WinDeviceLibrary::DevGetExposure(DeviceNumber dev, double* exposureUs) {
    if (!ValidDevice(dev) || !exposureUs) return -1;
    std::lock_guard lock(mutex_);
    const std::span<double> value(exposureUs, 1);
    MarkDoubles(value);
    const int result = entries_->getExposure(dev.value, exposureUs);
    return Reported(result, AllDoublesWritten(value) ? 0 : -1);
}

int WinDeviceLibrary::DevSetExposure(DeviceNumber dev, double exposureUs) {
    if (!ValidDevice(dev)) return -1;
    std::lock_guard lock(mutex_);
    return Reported(entries_->setExposure(dev.value, exposureUs), 0);
}

int WinDeviceLibrary::DevReadSpectrum(HeadSlot slot, int16_t counts[MAX_CHANNELS]) {
    if (!counts || slot.value < 0 || slot.value >= MAX_HEADS) return -1;
    std::lock_guard lock(mutex_);
    int argument = slot.value;
    if (conventions_.spectrumByDevice) {
        auto dev = DeviceForSlot(open_, kind_, slot);
        if (!dev) return -1;
        argument = dev->value;
    }
    // Any count is a valid count: nothing shows whether a spectrum arrived.
    return Reported(entries_->readSpectrum(argument, reinterpret_cast<short*>(counts)), 0);
}

int WinDeviceLibrary::DevGetTemperature(DeviceNumber dev, int16_t* tenthsC) {
    if (!ValidDevice(dev) || !tenthsC) return -1;
    std::lock_guard lock(mutex_);
    return Reported(entries_->getTemperature(dev.value, reinterpret_cast<short*>(tenthsC)), 0);
}

int WinDeviceLibrary::DevWrite(DeviceNumber dev, const uint8_t* bytes, int size) {
    if (!ValidDevice(dev) || !bytes || size <= 0) return -1;
    std::lock_guard lock(mutex_);
    // A command that did not get through shows as the reply that never comes.
    return Reported(entries_->write(dev.value, bytes, size), 0);
}

int WinDeviceLibrary::DevRead(DeviceNumber dev, uint8_t* buffer, int size) {
    if (!ValidDevice(dev) || !buffer || size <= 0) return -1;
    std::lock_guard lock(mutex_);
    const std::span<uint8_t> reply(buffer, static_cast<size_t>(size));
    MarkReply(reply);
    const int result = entries_->read(dev.value, buffer, size);
    return Reported(result, ReceivedReplyBytes(reply));
}

int WinDeviceLibrary::DevClose(DeviceNumber dev) {
    if (!ValidDevice(dev)) return -1;
    std::lock_guard lock(mutex_);
    open_[dev.value] = false;
    return Reported(entries_->close(dev.value), 0);
}

int WinDeviceLibrary::DevSetMirrorPosition(DeviceNumber dev, uint16_t position) {
    if (!ValidDevice(dev)) return -1;
    std::lock_guard lock(mutex_);
    return Reported(entries_->setMirrorPosition(dev.value, position), 0);
}

}  // namespace vmf
