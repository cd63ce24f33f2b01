#pragma once
// Small pieces the file benchmarks share: where their scratch files go and
// durations in seconds.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vmf::bench {

using Clock = std::chrono::steady_clock;

// A scratch file in VMF_BENCH_DIR, or in the temporary folder without it
// (point it at a disk rather than a RAM-backed /tmp to measure real writes).
inline std::string BenchFile(const char* name) {
    const char* dir = std::getenv("VMF_BENCH_DIR");
    std::filesystem::path base =
        dir ? std::filesystem::path(dir) : std::filesystem::temp_directory_path();
    return (base / name).string();
}

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace vmf::bench
