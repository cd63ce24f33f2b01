#include "device/DeviceLibraryFactory.h"

#include <cstdlib>

#include "device/SimulatedDeviceLibrary.h"
#if defined(_WIN32)
#include <windows.h>

#include "device/LibraryConventions.h"
#include "device/WinDeviceLibrary.h"
#endif

namespace vmf {

#if defined(_WIN32)
namespace {

std::wstring Wide(const std::string& utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

// The real library (or the one VMF_DLL names) with the conventions of the
// environment; nothing when it cannot be bound.
std::unique_ptr<DeviceLibrary> BindLibrary(std::string& note) {
    std::string warning;
    const LibraryConventions conventions = LibraryConventionsFromEnvironment(warning);
    const char* path = std::getenv("VMF_DLL");
    const std::wstring name = path && *path ? Wide(path) : std::wstring(L"KVWinUSBIF.dll");
    std::string error;
    auto dll = WinDeviceLibrary::Load(name.c_str(), conventions, error);
    if (!dll) return nullptr;
    note = kNoteDll;
    if (!warning.empty()) note += " (" + warning + ")";
    return dll;
}

}  // namespace
#endif

bool LibraryRequestedByEnvironment() {
#if defined(_WIN32)
    const char* path = std::getenv("VMF_DLL");
    return path && *path;
#else
    return false;
#endif
}

std::unique_ptr<DeviceLibrary> CreateDeviceLibrary(const std::string& benchText,
                                                   std::string& note) {
#if defined(_WIN32)
    if (benchText.empty() && LibraryRequestedByEnvironment()) {
        if (auto dll = BindLibrary(note)) return dll;
        note = kNoteDllMissing;
        std::string unused;
        return SimulatedDeviceLibrary::FromText(kDefaultBenchText, unused);
    }
#endif
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
        if (auto dll = BindLibrary(note)) return dll;
        note = kNoteDllMissing;
#else
        note = kNoteSimulated;
#endif
    }
    std::string unused;
    return SimulatedDeviceLibrary::FromText(kDefaultBenchText, unused);
}

}  // namespace vmf
