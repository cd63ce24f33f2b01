#pragma once
// A bench of virtual devices behind the DeviceLibrary interface: spectrometer
// heads with their own calibration memory and a physical spectrum model, LED
// drivers, mirror units and devices of unknown kind, plus fault injection for
// tests. Chosen once at start-up like the real library; nothing else in the
// program knows it is simulated.
//
// All members are thread-safe (one internal mutex); DevReadSpectrum computes
// its spectrum under the lock and then sleeps the exposure × time scale
// without it, so other calls proceed while a read is "exposing".
//
// Return values: DevOpen 1 when the device is present and plugged, else 0.
// A device that is absent, unplugged or not opened answers every other call
// with -1 (DevClose releases any present device).
// Every device answers the info texts, kind, serial, coefficients, exposure
// and temperature (those without optics with zeros and 25.0 °C); only heads
// accept serial, coefficients, exposure and calibration commands, and only
// mirrors a position.
// DevRead returns the number of reply bytes copied into the buffer (0 when no
// reply is pending, -1 on failure); a reply longer than the buffer is cut.
// DevReadSpectrum uses the slot rule: slot k is the k-th head (kind 33) in
// ascending device number among the opened devices (DevOpen'ed and not
// DevClose'd; an unplugged device stays in that order until it is closed).

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "device/BenchDescription.h"
#include "device/DeviceLibrary.h"

namespace vmf {

class SimulatedHead;

// A head's non-volatile calibration memory, as DevRead/DevWrite serve it.
struct HeadMemory {
    std::array<float, MAX_CHANNELS> wavelengthNm{};
    std::array<std::array<float, MAX_CHANNELS>, DARK_STEPS> dark{};
    std::array<float, REF_ENTRIES> gain{};
    std::array<float, REF_ENTRIES> white{};
    std::array<float, REF_ENTRIES> trans{};
    std::string serial;                        // up to 63 bytes
    std::array<double, WAVE_COEFFS> coeffs{};  // wavelength polynomial of pixel 1..288
};

// What a device was asked, for tests to count at the simulator.
struct DeviceCounters {
    int writes = 0;                   // DevWrite calls that reached the device
    int reads = 0;                    // DevRead calls that reached the device
    std::array<int, 256> byOpcode{};  // DevWrite calls by byte 0
    int setSerial = 0;
    int setCoefficients = 0;
    int spectra = 0;
    std::string lastSerialBytes;  // the bytes of the last DevSetSerial, as sent
};

enum class ReplyFault {
    None,
    Short,  // every reply cut to half its length (at least one byte short)
    Empty,  // every reply has no bytes
};

class SimulatedDeviceLibrary : public DeviceLibrary {
public:
    explicit SimulatedDeviceLibrary(const BenchDescription& bench);
    ~SimulatedDeviceLibrary() override;

    // Parses `text` (see BenchDescription.h); nullptr and `error` when malformed.
    static std::unique_ptr<SimulatedDeviceLibrary> FromText(std::string_view text,
                                                            std::string& error);

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

    // --- Bench control ------------------------------------------------------
    void SetScene(Scene scene);
    Scene GetScene() const;
    void SetTimeScale(double scale);  // negative values count as 0
    void SetTemperature(DeviceNumber dev, double celsius);

    // --- Fault injection ----------------------------------------------------
    void SetUnplugged(DeviceNumber dev, bool unplugged);
    // The device answers `commands` more DevWrite calls, then is unplugged.
    void UnplugAfterCommands(DeviceNumber dev, int commands);
    void SetReplyFault(DeviceNumber dev, ReplyFault fault);
    // The next `count` spectrum reads of the device fail (-1).
    void FailSpectrumReads(DeviceNumber dev, int count);

    // --- Inspection -----------------------------------------------------------
    std::optional<HeadMemory> Memory(DeviceNumber dev) const;    // heads only
    bool SetMemory(DeviceNumber dev, const HeadMemory& memory);  // heads only
    DeviceCounters Counters(DeviceNumber dev) const;
    void ResetCounters();
    bool IsOpen(DeviceNumber dev) const;
    std::optional<uint16_t> MirrorPosition(DeviceNumber dev) const;  // mirrors only
    // The head's model count for channel c at `exposureUs` in `scene`, without
    // noise (what a long average converges to), for tests of the model.
    std::optional<double> ExpectedCounts(DeviceNumber dev, Scene scene, double exposureUs,
                                         int channel) const;

private:
    struct Device;
    Device* Find(DeviceNumber dev);
    const Device* Find(DeviceNumber dev) const;
    Device* Answering(DeviceNumber dev);  // present, plugged and open, else nullptr
    static void Persist(Device& d);       // saves a head's memory when it has a file

    mutable std::mutex mutex_;
    std::array<std::unique_ptr<Device>, MAX_DEVICES> devices_;
    Scene scene_;
    double timeScale_;
};

}  // namespace vmf
