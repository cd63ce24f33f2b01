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
#include <filesystem>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "hdf5/Hdf5Export.h"
#include "store/Cvarnello_mfDoc.h"

namespace {

using vmf::bench::BenchFile;
using vmf::bench::Clock;
using vmf::bench::PlainWrite;
using vmf::bench::Seconds;

std::unique_ptr<vmf::Cvarnello_mfDoc> FullHead() {
    auto doc = std::make_unique<vmf::Cvarnello_mfDoc>();
    doc->headCount = 1;
    doc->headKind[0] = "C12880MA";
    doc->serialNo[0] = "23A00001";
    vmf::bench::FillFullSeries(*doc, 0);
    return doc;
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
        const double written = PlainWrite(plain, bytes, false);
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
