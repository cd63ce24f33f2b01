// HDF5 export of one head with 86399 records (about 200 MB), uncompressed,
// against writing the same number of bytes with a plain buffered stdio
// stream, in the same run and the same iteration. Neither is flushed to the
// disk (the export, like any analysis copy, does not sync). The ratio is of
// the fastest iteration of each side: on a shared machine the minimum is the
// figure least disturbed by other work. The target is a ratio below 2.
//
// Files go to $VMF_BENCH_DIR or the system's temporary folder and are deleted.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "hdf5/Hdf5Export.h"
#include "store/Cvarnello_mfDoc.h"

namespace {

using vmf::bench::BenchFile;
using vmf::bench::Clock;
using vmf::bench::Seconds;
constexpr int kRecords = vmf::LAST_RECORD;  // 86399, a full series

std::unique_ptr<vmf::Cvarnello_mfDoc> FullHead() {
    auto doc = std::make_unique<vmf::Cvarnello_mfDoc>();
    doc->headCount = 1;
    doc->channelCount[0] = vmf::MAX_CHANNELS;
    doc->headKind[0] = "C12880MA";
    doc->serialNo[0] = "23A00001";
    for (int r = 0; r < kRecords; ++r) {
        doc->EnsureRecordArrays(0, r);
        doc->recExposureUs(0, r) = 10000;
        doc->recTemperatureC(0, r) = 25.0f;
        float* raw = doc->recRaw(0, r);
        float* processed = doc->recProcessed(0, r);
        for (int c = 0; c < vmf::MAX_CHANNELS; ++c) {
            raw[c] = static_cast<float>(r + c);
            processed[c] = static_cast<float>(r - c) * 0.5f;
        }
    }
    doc->recordCount[0] = kRecords;
    return doc;
}

// The plain stream: stdio with a 64 KiB buffer, 64 KiB writes.
double PlainWrite(const std::string& path, uint64_t bytes) {
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
    std::fclose(f);
    return Seconds(Clock::now() - start);
}

void BM_Hdf5ExportOneFullHead(benchmark::State& state) {
    auto doc = FullHead();
    const std::string target = BenchFile("vmf-bench-export.h5");
    const std::string plain = BenchFile("vmf-bench-export-plain.bin");
    double exportMin = 1e9, plainMin = 1e9;
    uint64_t bytes = 0;
    for (auto _ : state) {
        std::string error;
        auto start = Clock::now();
        if (!vmf::ExportHdf5(*doc, target, vmf::Hdf5ExportOptions{}, error))
            state.SkipWithError(error.c_str());
        const double exported = Seconds(Clock::now() - start);
        bytes = std::filesystem::file_size(target);
        std::filesystem::remove(target);
        const double written = PlainWrite(plain, bytes);
        std::filesystem::remove(plain);
        exportMin = std::min(exportMin, exported);
        plainMin = std::min(plainMin, written);
        state.SetIterationTime(exported);
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["export_ms"] = exportMin * 1e3;
    state.counters["plain_write_ms"] = plainMin * 1e3;
    state.counters["ratio_vs_plain_write"] = exportMin / plainMin;
}
BENCHMARK(BM_Hdf5ExportOneFullHead)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
