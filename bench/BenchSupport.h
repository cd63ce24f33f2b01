#pragma once
// Small pieces the file benchmarks share: where their scratch files go,
// durations in seconds, the plain write they are measured against, and a
// full record series to write.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "store/Cvarnello_mfDoc.h"

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

// Fills head a with a full series (86399 records of 288 channels).
inline void FillFullSeries(Cvarnello_mfDoc& doc, int a) {
    for (int r = 0; r < LAST_RECORD; ++r) {
        doc.EnsureRecordArrays(a, r);
        doc.recExposureUs(a, r) = 10000;
        doc.recTemperatureC(a, r) = 25.0f;
        float* raw = doc.recRaw(a, r);
        float* processed = doc.recProcessed(a, r);
        for (int c = 0; c < MAX_CHANNELS; ++c) {
            raw[c] = static_cast<float>(r + c);
            processed[c] = static_cast<float>(r - c) * 0.5f;
        }
    }
    doc.recordCount[a] = LAST_RECORD;
}

// The plain stream: stdio with a 64 KiB buffer, 64 KiB writes of bytes bytes
// to path, flushed to the disk when sync is set. Returns the seconds taken.
inline double PlainWrite(const std::string& path, uint64_t bytes, bool sync) {
    auto start = Clock::now();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::setvbuf(f, nullptr, _IOFBF, 64 * 1024);
    std::vector<char> chunk(64 * 1024, 'x');
    for (uint64_t left = bytes; left > 0;) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(left, chunk.size()));
        std::fwrite(chunk.data(), 1, n, f);
        left -= n;
    }
    std::fflush(f);
    if (sync) ::fsync(::fileno(f));
    std::fclose(f);
    return Seconds(Clock::now() - start);
}

}  // namespace vmf::bench
