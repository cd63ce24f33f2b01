#include "device/BenchDescription.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "device/DeviceLibrary.h"

namespace vmf {
namespace {

constexpr std::array<std::pair<Scene, const char*>, 6> kScenes{{
    {Scene::Dark, "dark"},
    {Scene::Halogen, "halogen"},
    {Scene::White, "white"},
    {Scene::Sample, "sample"},
    {Scene::Transmission, "transmission"},
    {Scene::Filter, "filter"},
}};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

template <typename T>
bool ParseUnsigned(std::string_view s, T& out) {
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// Decimal number with optional fraction, no sign, no exponent: enough for a
// time scale and independent of the locale.
bool ParseScale(std::string_view s, double& out) {
    if (s.empty()) return false;
    double value = 0.0;
    size_t i = 0;
    bool digits = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, digits = true)
        value = value * 10 + (s[i] - '0');
    if (i < s.size() && s[i] == '.') {
        double scale = 0.1;
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, digits = true, scale /= 10)
            value += (s[i] - '0') * scale;
    }
    if (!digits || i != s.size()) return false;
    out = value;
    return true;
}

bool ValidSerial(std::string_view s) {
    if (s.empty() || s.size() >= static_cast<size_t>(kSerialBufferSize)) return false;
    for (char ch : s)
        if (ch < 0x21 || ch > 0x7E) return false;
    return true;
}

std::string Quoted(std::string_view s) {
    std::string q(1, '"');
    q.append(s);
    q += '"';
    return q;
}

}  // namespace

const char* SceneName(Scene scene) {
    for (auto& [s, name] : kScenes)
        if (s == scene) return name;
    return "white";
}

std::optional<Scene> SceneFromName(std::string_view name) {
    for (auto& [s, n] : kScenes)
        if (name == n) return s;
    return std::nullopt;
}

std::optional<BenchDescription> ParseBenchText(std::string_view text, std::string& error) {
    BenchDescription bench;
    std::array<bool, MAX_DEVICES> used{};
    if (Trim(text).empty()) {
        error = "bench description is empty";
        return std::nullopt;
    }
    while (true) {
        size_t semi = text.find(';');
        std::string_view item = Trim(text.substr(0, semi));
        if (item.empty()) {
            // A trailing ';' is harmless; an empty item in the middle is a typo.
            if (semi != std::string_view::npos && !Trim(text.substr(semi + 1)).empty()) {
                error = "empty item in bench description";
                return std::nullopt;
            }
        } else if (size_t eq = item.find('=');
                   eq != std::string_view::npos &&
                   item.substr(0, eq).find(':') == std::string_view::npos) {
            // Only the key decides: a folder value may hold ':' (a drive letter).
            std::string_view key = Trim(item.substr(0, eq));
            std::string_view value = Trim(item.substr(eq + 1));
            if (key == "scene") {
                auto scene = SceneFromName(value);
                if (!scene) {
                    error = "unknown scene " + Quoted(value) +
                            " (dark, halogen, white, sample, transmission, filter)";
                    return std::nullopt;
                }
                bench.scene = *scene;
            } else if (key == "timescale") {
                double scale = 0;
                if (!ParseScale(value, scale) || scale > 1000.0) {
                    error = "bad time scale " + Quoted(value) + " (a decimal number 0..1000)";
                    return std::nullopt;
                }
                bench.timeScale = scale;
            } else if (key == "seed") {
                uint64_t seed = 0;
                if (!ParseUnsigned(value, seed)) {
                    error = "bad seed " + Quoted(value) + " (an unsigned decimal number)";
                    return std::nullopt;
                }
                bench.seed = seed;
            } else if (key == "memory") {
                if (value.empty()) {
                    error = "memory= needs a folder";
                    return std::nullopt;
                }
                bench.memoryFolder = std::string(value);
            } else {
                error = "unknown setting " + Quoted(key) + " (scene, timescale, seed, memory)";
                return std::nullopt;
            }
        } else {
            // N:kind[:argument]
            size_t c1 = item.find(':');
            if (c1 == std::string_view::npos) {
                error = "bad item " + Quoted(item) + " (expected N:kind or key=value)";
                return std::nullopt;
            }
            std::string_view number = Trim(item.substr(0, c1));
            std::string_view rest = item.substr(c1 + 1);
            size_t c2 = rest.find(':');
            std::string_view kind = Trim(rest.substr(0, c2));
            std::optional<std::string_view> arg;
            if (c2 != std::string_view::npos) arg = Trim(rest.substr(c2 + 1));
            int n = -1;
            if (!ParseUnsigned(number, n) || n < 0 || n >= MAX_DEVICES) {
                error = "bad device number " + Quoted(number) + " in " + Quoted(item) + " (0..9)";
                return std::nullopt;
            }
            if (used[n]) {
                error = "device number " + std::to_string(n) + " given twice";
                return std::nullopt;
            }
            used[n] = true;
            BenchDevice device{DeviceNumber(n), 0, {}};
            if (kind == "head") {
                device.kind = kKindSpectrometer;
                device.serial = arg ? std::string(*arg) : "SN00000" + std::to_string(n);
                if (!ValidSerial(device.serial)) {
                    error = "bad serial in " + Quoted(item) + " (1..63 printable ASCII characters)";
                    return std::nullopt;
                }
            } else if (kind == "led16" || kind == "led8" || kind == "mirror") {
                if (arg) {
                    error = "unexpected argument in " + Quoted(item);
                    return std::nullopt;
                }
                device.kind = kind == "led16"  ? kKindLed16
                              : kind == "led8" ? kKindLed8
                                               : kKindMirror;
            } else if (kind == "kind") {
                unsigned code = 0;
                if (!arg || !ParseUnsigned(*arg, code) || code > 65535) {
                    error = "bad kind code in " + Quoted(item) + " (N:kind:0..65535)";
                    return std::nullopt;
                }
                device.kind = static_cast<int>(code);
            } else {
                error = "unknown device kind " + Quoted(kind) + " in " + Quoted(item) +
                        " (head, led16, led8, mirror, kind:CODE)";
                return std::nullopt;
            }
            bench.devices.push_back(std::move(device));
        }
        if (semi == std::string_view::npos) break;
        text.remove_prefix(semi + 1);
    }
    std::sort(
        bench.devices.begin(), bench.devices.end(),
        [](const BenchDevice& a, const BenchDevice& b) { return a.number.value < b.number.value; });
    return bench;
}

}  // namespace vmf
