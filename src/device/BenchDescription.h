#pragma once
// The text that describes a simulated bench, and its parser.
//
// Grammar (items separated by ';', blanks around items ignored, an empty
// text is refused; use kDefaultBenchText for the usual bench):
//   item    := device | setting
//   device  := N ':' kind            N = device number 0..9, each at most once
//   kind    := 'head' [':' SERIAL]   spectrometer head (33); SERIAL 1..63
//                                    printable ASCII bytes except ';' (default
//                                    "SN00000N" with N the device number)
//            | 'led16' | 'led8' | 'mirror'
//            | 'kind' ':' CODE       any other kind code (0..65535), answered
//                                    like hardware but ignored by detection
//   setting := 'scene=' SCENE        dark | halogen | white | sample |
//                                    transmission | filter  (default white)
//            | 'timescale=' X        read time = exposure × X; 0 = instant
//                                    (default 1), X a decimal 0..1000
//            | 'seed=' U             noise seed, unsigned decimal (default 1)
//            | 'memory=' FOLDER      keep each head's calibration memory in
//                                    FOLDER/head<N>.vmfmem across sessions
//                                    (off by default, so tests stay hermetic)
// Example: "0:head:SN000001;1:head:SN000002;2:led16;3:mirror;scene=white;timescale=0;seed=7"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/StoreBounds.h"

namespace vmf {

// Two heads, one 16-channel LED driver and a mirror unit.
inline constexpr const char* kDefaultBenchText = "0:head:SN000001;1:head:SN000002;2:led16;3:mirror";

// What the simulated heads look at.
enum class Scene {
    Dark,          // shaded: dark counts only
    Halogen,       // the bare lamp
    White,         // white reference plate under the lamp
    Sample,        // a coloured (reddish) sample under the lamp
    Transmission,  // 100 % transmission: the lamp through the empty holder
    Filter,        // a green band-pass filter in the holder
};

const char* SceneName(Scene scene);
std::optional<Scene> SceneFromName(std::string_view name);

struct BenchDevice {
    DeviceNumber number;
    int kind = 0;
    std::string serial;  // heads only
};

struct BenchDescription {
    std::vector<BenchDevice> devices;  // ascending device number
    Scene scene = Scene::White;
    double timeScale = 1.0;
    uint64_t seed = 1;
    std::string memoryFolder;  // empty: the memory lives only as long as the bench
};

// Parses a bench text. On malformed text returns nothing and sets `error` to
// a one-line English message naming the offending item.
std::optional<BenchDescription> ParseBenchText(std::string_view text, std::string& error);

}  // namespace vmf
