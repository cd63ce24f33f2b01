#pragma once
// The two conventions of KVWinUSBIF.dll the program cannot know in advance,
// set without rebuilding through environment variables read at start-up:
//
//   VMF_DLL_RESULTS=evidence (default) | returns
//     evidence: a call's success is judged by what it provably did to its
//       output buffers (ReplyEvidence.h); return values other than DevOpen's,
//       the info texts' and the kind are never read.
//     returns: the library's return values are taken at their word: negative
//       is a failure and DevRead gives the number of reply bytes received.
//       Only for a library known to follow that convention.
//   VMF_DLL_SPECTRUM=slot (default) | device
//     slot: DevReadSpectrum is given the head slot, as the other side of the
//       library has always been given it.
//     device: it is given the device number of that slot instead.
//   VMF_DLL=PATH
//     binds the library at PATH instead of KVWinUSBIF.dll from the search
//     path; it then wins over VMF_BENCH, which is left to the library.
//
// Windows only in effect; elsewhere the simulated bench is used and these
// are ignored.

#include <optional>
#include <string>

namespace vmf {

struct LibraryConventions {
    bool trustReturnValues = false;  // VMF_DLL_RESULTS=returns
    bool spectrumByDevice = false;   // VMF_DLL_SPECTRUM=device
};

// Parses the two values (null or empty: the default). An unknown value is
// refused with a one-line message naming the variable.
std::optional<LibraryConventions> ParseLibraryConventions(const char* results, const char* spectrum,
                                                          std::string& error);

// From the environment; an unknown value leaves the default in place and
// `warning` says which (empty when all was well).
LibraryConventions LibraryConventionsFromEnvironment(std::string& warning);

// The lines of the programs' --help that name the variables (UTF-8).
inline constexpr const char* kDeviceEnvironmentHelp =
    "装置ライブラリの環境変数 (VMF_DLL で始まるものは Windows のみ):\n"
    "  VMF_DLL=パス                 KVWinUSBIF.dll の代わりにこのライブラリを使う"
    " (VMF_BENCH よりも優先)\n"
    "  VMF_DLL_RESULTS=evidence     応答の有無を受信バッファの中身で判断する (既定)\n"
    "  VMF_DLL_RESULTS=returns      ライブラリの戻り値で判断する"
    " (負で失敗、DevRead は受信バイト数)\n"
    "  VMF_DLL_SPECTRUM=slot        スペクトル読み取りにヘッドの順番を渡す (既定)\n"
    "  VMF_DLL_SPECTRUM=device      スペクトル読み取りに装置番号を渡す\n"
    "  VMF_BENCH=記述               シミュレーション装置を使う\n";

}  // namespace vmf
