#include "device/DeviceLibraryFactory.h"

#include <cstdlib>
#include <string_view>

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

constexpr std::string_view kDefaultDll = "KVWinUSBIF.dll";

// The library VMF_DLL names, else the real one from the search path.
std::string LibraryName() {
    const char* path = std::getenv("VMF_DLL");
    return path && *path ? std::string(path) : std::string(kDefaultDll);
}

// A status-bar note naming the library actually asked for: the operator
// must not read the real library's name while another file is bound.
std::string NamedNote(const char* note, const std::string& name) {
    std::string text = note;
    if (text.compare(0, kDefaultDll.size(), kDefaultDll) == 0)
        text.replace(0, kDefaultDll.size(), name);
    return text;
}

// The real library (or the one VMF_DLL names) with the conventions of the
// environment; nothing when it cannot be bound.
std::unique_ptr<DeviceLibrary> BindLibrary(std::string& note) {
    std::string warning;
    const LibraryConventions conventions = LibraryConventionsFromEnvironment(warning);
    const std::string name = LibraryName();
    std::string error;
    auto dll = WinDeviceLibrary::Load(Wide(name).c_str(), conventions, error);
    if (!dll) {
        note = NamedNote(kNoteDllMissing, name);
        return nullptr;
    }
    note = NamedNote(kNoteDll, name);
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
#else
        note = kNoteSimulated;
#endif
    }
    std::string unused;
    return SimulatedDeviceLibrary::FromText(kDefaultBenchText, unused);
}

}  // namespace vmf
