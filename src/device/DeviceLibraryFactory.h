#pragma once
// Chooses the device library once at start-up.

#include <memory>
#include <string>

#include "device/DeviceLibrary.h"

namespace vmf {

// benchText: a bench description (BenchDescription.h); when empty, the
// environment variable VMF_BENCH is used instead.
//  - A given bench text selects the simulated bench.
//  - On Windows, VMF_DLL names a library to bind instead of KVWinUSBIF.dll;
//    it wins over VMF_BENCH (which is then the library's business, as for
//    the stand-in library of the tests). When it cannot be bound, the
//    default simulated bench is used.
//  - A bench text from the environment selects the simulated bench.
//  - Otherwise, on Windows, KVWinUSBIF.dll is loaded; when it is absent or
//    lacks an operation, the default simulated bench is used. The binding
//    follows the conventions VMF_DLL_RESULTS and VMF_DLL_SPECTRUM set
//    (LibraryConventions.h); an unknown value is named in `note`.
//  - Elsewhere the default simulated bench is used.
// Never returns null: a malformed bench text also falls back to the default
// bench. `note` receives a short status-bar text (UTF-8) saying which library
// is in use and, for a malformed text, why the default bench was chosen.
std::unique_ptr<DeviceLibrary> CreateDeviceLibrary(const std::string& benchText, std::string& note);

// True when the environment asks for a library to bind (VMF_DLL, Windows
// only): callers that read VMF_BENCH themselves must then leave it alone.
bool LibraryRequestedByEnvironment();

// The status-bar notes CreateDeviceLibrary gives.
inline constexpr const char* kNoteSimulated = "シミュレーション装置で動作中";
inline constexpr const char* kNoteDllMissing =
    "KVWinUSBIF.dll が見つからないため、シミュレーション装置で動作中";
inline constexpr const char* kNoteDll = "KVWinUSBIF.dll で動作中";
inline constexpr const char* kNoteBadBench =
    "ベンチ記述が不正なため、既定のシミュレーション装置で動作中";

}  // namespace vmf
