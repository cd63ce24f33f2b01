// A stand-in for KVWinUSBIF.dll, for tests under Wine only: it is never
// installed or shipped. It exports the sixteen operations by ordinal
// (KVWinUSBIF.def), with the argument types and calling convention the
// binding assumes (src/device/WinDeviceLibrary.h), and serves them from the
// simulated bench, so the Windows route can run end to end without hardware.
//
// What the real library returns beyond the results the program relies on is
// unknown, so the stand-in can answer in several conventions. It reads its
// environment at every DevOpen (a test may switch between detections):
//   VMF_BENCH             the bench text (default: the default bench). The
//                         bench is rebuilt only when the text changes, so a
//                         head keeps what was written to it across detections.
//   VMF_STANDIN_RESULTS   bench (default): the bench's own return values;
//                         0 or 1: every operation whose result the program
//                         must not rely on returns that value, success or not.
//   VMF_STANDIN_SILENT    device numbers (e.g. "4" or "1,4") whose command
//                         replies never arrive: DevRead leaves the buffer as
//                         it was and returns what the results mode says.
//   VMF_STANDIN_SPECTRUM  slot (default): DevReadSpectrum's argument is the
//                         head slot; device: it is the device number.
//   VMF_STANDIN_LOG       a file that receives one line per call, "<ordinal>
//                         <argument>", for tests of the call order.

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "device/BenchDescription.h"
#include "device/SimulatedDeviceLibrary.h"

namespace {

using vmf::DeviceNumber;
using vmf::HeadSlot;

std::string Env(const char* name) {
    char buffer[4096];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

struct StandIn {
    std::mutex mutex;
    std::string benchText;
    std::unique_ptr<vmf::SimulatedDeviceLibrary> sim;
    std::optional<int> forcedResult;  // nullopt: the bench's own values
    std::array<bool, vmf::MAX_DEVICES> silent{};
    bool spectrumByDevice = false;
    std::string logPath;
    FILE* log = nullptr;

    // Re-reads the environment; called at DevOpen, under the mutex.
    void Configure() {
        std::string text = Env("VMF_BENCH");
        if (text.empty()) text = vmf::kDefaultBenchText;
        if (!sim || text != benchText) {
            std::string error;
            sim = vmf::SimulatedDeviceLibrary::FromText(text, error);
            benchText = text;
        }
        const std::string results = Env("VMF_STANDIN_RESULTS");
        forcedResult = results == "0" ? std::optional<int>(0)
                       : results == "1" ? std::optional<int>(1)
                                        : std::nullopt;
        silent.fill(false);
        for (char c : Env("VMF_STANDIN_SILENT"))
            if (c >= '0' && c <= '9') silent[c - '0'] = true;
        spectrumByDevice = Env("VMF_STANDIN_SPECTRUM") == "device";
        const std::string path = Env("VMF_STANDIN_LOG");
        if (path != logPath) {
            if (log) std::fclose(log);
            log = path.empty() ? nullptr : std::fopen(path.c_str(), "ab");
            logPath = path;
        }
    }

    void Log(int ordinal, int argument) {
        std::lock_guard lock(mutex);
        if (!log) return;
        std::fprintf(log, "%d %d\n", ordinal, argument);
        std::fflush(log);
    }

    int Result(int benchValue) const { return forcedResult ? *forcedResult : benchValue; }
};

StandIn& Instance() {
    static StandIn instance;
    return instance;
}

// The bench, created on first use (a caller may skip DevOpen).
vmf::SimulatedDeviceLibrary& Sim() {
    StandIn& s = Instance();
    std::lock_guard lock(s.mutex);
    if (!s.sim) s.Configure();
    return *s.sim;
}

// DevReadSpectrum's argument as the bench's head slot.
std::optional<HeadSlot> SpectrumSlot(int argument) {
    StandIn& s = Instance();
    if (!s.spectrumByDevice) return HeadSlot(argument);
    if (argument < 0 || argument >= vmf::MAX_DEVICES) return std::nullopt;
    vmf::SimulatedDeviceLibrary& sim = Sim();
    auto isOpenHead = [&](int n) {
        return sim.IsOpen(DeviceNumber(n)) &&
               sim.DevGetKind(DeviceNumber(n)) == vmf::kKindSpectrometer;
    };
    if (!isOpenHead(argument)) return std::nullopt;
    int slot = 0;
    for (int n = 0; n < argument; ++n) slot += isOpenHead(n) ? 1 : 0;
    return HeadSlot(slot);
}

}  // namespace

extern "C" {

int __stdcall DevOpen(int dev) {
    StandIn& s = Instance();
    {
        std::lock_guard lock(s.mutex);
        s.Configure();
    }
    s.Log(1, dev);
    return Sim().DevOpen(DeviceNumber(dev));
}

int __stdcall DevGetInfoText1(int dev, char* buffer, int size) {
    Instance().Log(3, dev);
    return Sim().DevGetInfoText1(DeviceNumber(dev), buffer, size);
}

int __stdcall DevGetInfoText2(int dev, char* buffer, int size) {
    Instance().Log(4, dev);
    return Sim().DevGetInfoText2(DeviceNumber(dev), buffer, size);
}

int __stdcall DevGetKind(int dev) {
    Instance().Log(5, dev);
    return Sim().DevGetKind(DeviceNumber(dev));
}

int __stdcall DevWrite(int dev, const unsigned char* bytes, int size) {
    Instance().Log(7, dev);
    return Instance().Result(Sim().DevWrite(DeviceNumber(dev), bytes, size));
}

int __stdcall DevRead(int dev, unsigned char* buffer, int size) {
    StandIn& s = Instance();
    s.Log(8, dev);
    if (dev >= 0 && dev < vmf::MAX_DEVICES && s.silent[dev]) {
        // The reply is lost on the way: taken from the head, never delivered.
        std::array<unsigned char, 2048> lost{};
        Sim().DevRead(DeviceNumber(dev), lost.data(), static_cast<int>(lost.size()));
        return s.Result(0);
    }
    return s.Result(Sim().DevRead(DeviceNumber(dev), buffer, size));
}

int __stdcall DevClose(int dev) {
    Instance().Log(9, dev);
    return Instance().Result(Sim().DevClose(DeviceNumber(dev)));
}

int __stdcall DevGetExposure(int dev, double* us) {
    Instance().Log(10, dev);
    return Instance().Result(Sim().DevGetExposure(DeviceNumber(dev), us));
}

int __stdcall DevSetExposure(int dev, double us) {
    Instance().Log(11, dev);
    return Instance().Result(Sim().DevSetExposure(DeviceNumber(dev), us));
}

int __stdcall DevReadSpectrum(int argument, short* counts) {
    Instance().Log(12, argument);
    auto slot = SpectrumSlot(argument);
    int result = slot ? Sim().DevReadSpectrum(*slot, reinterpret_cast<int16_t*>(counts)) : -1;
    return Instance().Result(result);
}

int __stdcall DevGetSerial(int dev, char* buffer, int size) {
    Instance().Log(15, dev);
    return Instance().Result(Sim().DevGetSerial(DeviceNumber(dev), buffer, size));
}

int __stdcall DevSetSerial(int dev, const char* bytes, int size) {
    Instance().Log(16, dev);
    return Instance().Result(Sim().DevSetSerial(DeviceNumber(dev), bytes, size));
}

int __stdcall DevGetCoefficients(int dev, double* coeffs) {
    Instance().Log(17, dev);
    return Instance().Result(Sim().DevGetCoefficients(DeviceNumber(dev), coeffs));
}

int __stdcall DevSetCoefficients(int dev, const double* coeffs) {
    Instance().Log(18, dev);
    return Instance().Result(Sim().DevSetCoefficients(DeviceNumber(dev), coeffs));
}

int __stdcall DevGetTemperature(int dev, short* tenthsC) {
    Instance().Log(61, dev);
    return Instance().Result(
        Sim().DevGetTemperature(DeviceNumber(dev), reinterpret_cast<int16_t*>(tenthsC)));
}

int __stdcall DevSetMirrorPosition(int dev, unsigned short position) {
    Instance().Log(63, dev);
    return Instance().Result(Sim().DevSetMirrorPosition(DeviceNumber(dev), position));
}

}  // extern "C"
