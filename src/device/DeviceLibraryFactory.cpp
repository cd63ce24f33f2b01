#include "device/DeviceLibraryFactory.h"

#include <cstdlib>

#include "device/SimulatedDeviceLibrary.h"
#if defined(_WIN32)
#include "device/WinDeviceLibrary.h"
#endif

namespace vmf {

std::unique_ptr<DeviceLibrary> CreateDeviceLibrary(const std::string& benchText,
                                                   std::string& note) {
    std::string text = benchText;
    if (text.empty()) {
        const char* env = std::getenv("VMF_BENCH");
        if (env) text = env;
    }
    if (!text.empty()) {
        std::string error;
        if (auto bench = SimulatedDeviceLibrary::FromText(text, error)) {
            note = kNoteSimulated;
            return bench;
        }
        note = std::string(kNoteBadBench) + ": " + error;
    } else {
#if defined(_WIN32)
        std::string error;
        if (auto dll = WinDeviceLibrary::Load(L"KVWinUSBIF.dll", error)) {
            note = kNoteDll;
            return dll;
        }
        note = kNoteDllMissing;
#else
        note = kNoteSimulated;
#endif
    }
    std::string unused;
    return SimulatedDeviceLibrary::FromText(kDefaultBenchText, unused);
}

}  // namespace vmf
