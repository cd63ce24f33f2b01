// Save and load of one head with 86399 records (about 200 MB) against writing
// and reading the same number of bytes with a plain buffered stdio stream, in
// the same run and the same iteration, so the ratio counters compare like with
// like on whatever disk the run uses. The ratios are of the fastest iteration
// of each side: on a shared machine the minimum is the figure least disturbed
// by other work. Also ClearRecords on a full store.
//
// Files go to $VMF_BENCH_DIR or the system's temporary folder and are deleted.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "store/Cvarnello_mfDoc.h"

namespace {

using vmf::bench::BenchFile;
using vmf::bench::Clock;
using vmf::bench::PlainWrite;
using vmf::bench::Seconds;

void FillHead(vmf::Cvarnello_mfDoc& doc, int a) { vmf::bench::FillFullSeries(doc, a); }

vmf::Cvarnello_mfDoc& OneHeadStore() {
    static std::unique_ptr<vmf::Cvarnello_mfDoc> doc = [] {
        auto d = std::make_unique<vmf::Cvarnello_mfDoc>();
        d->headCount = 1;
        d->headKind[0] = "C12880MA";
        d->serialNo[0] = "23A00001";
        FillHead(*d, 0);
        return d;
    }();
    return *doc;
}

double PlainRead(const std::string& path) {
    auto start = Clock::now();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::setvbuf(f, nullptr, _IOFBF, 64 * 1024);
    std::vector<char> chunk(64 * 1024);
    size_t sum = 0;
    while (size_t n = std::fread(chunk.data(), 1, chunk.size(), f))
        sum += static_cast<unsigned char>(chunk[n - 1]);
    benchmark::DoNotOptimize(sum);
    std::fclose(f);
    return Seconds(Clock::now() - start);
}

// The same plain read, but keeping the bytes in newly allocated memory: a load
// has to place 200 MB of spectra in memory the system must first supply (and
// zero), which a read into one reused 64 KiB buffer never pays for.
double PlainReadIntoFreshMemory(const std::string& path, uint64_t bytes) {
    auto start = Clock::now();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::setvbuf(f, nullptr, _IOFBF, 64 * 1024);
    std::unique_ptr<char[]> image(new char[bytes]);
    uint64_t at = 0;
    while (size_t n = std::fread(image.get() + at, 1,
                                 static_cast<size_t>(std::min<uint64_t>(64 * 1024, bytes - at)), f))
        at += n;
    benchmark::DoNotOptimize(image[bytes - 1]);
    std::fclose(f);
    image.reset();
    return Seconds(Clock::now() - start);
}

// Saving always flushes to the disk (a save must survive a crash), so the
// ratio that matters is against a plain write that does the same; the ratio
// against a write left in the page cache is reported beside it.
void BM_SaveOneFullHead(benchmark::State& state) {
    auto& doc = OneHeadStore();
    const std::string target = BenchFile("vmf-bench-save.vqdata");
    const std::string plain = BenchFile("vmf-bench-plain.bin");
    double saveMin = 1e9, syncedMin = 1e9, cachedMin = 1e9;
    uint64_t bytes = 0;
    for (auto _ : state) {
        std::string error;
        auto start = Clock::now();
        if (!doc.SaveToFile(target, error)) state.SkipWithError(error.c_str());
        double save = Seconds(Clock::now() - start);
        bytes = std::filesystem::file_size(target);
        double synced = PlainWrite(plain, bytes, true);
        double cached = PlainWrite(plain, bytes, false);
        saveMin = std::min(saveMin, save);
        syncedMin = std::min(syncedMin, synced);
        cachedMin = std::min(cachedMin, cached);
        state.SetIterationTime(save);
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["ratio_vs_synced_write"] = saveMin / syncedMin;
    state.counters["ratio_vs_cached_write"] = saveMin / cachedMin;
    std::filesystem::remove(target);
    std::filesystem::remove(plain);
}
BENCHMARK(BM_SaveOneFullHead)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Loads into a new store each time, as the compare command does; the file is
// in the page cache for both the load and the plain read. load_ms and
// plain_read_ms are the fastest iterations; faults_last_load counts the page
// faults of the last load (memory the system had to supply).
void BM_LoadOneFullHead(benchmark::State& state) {
    const std::string path = BenchFile("vmf-bench-load.vqdata");
    std::string error;
    if (!OneHeadStore().SaveToFile(path, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    PlainRead(path);  // warm the cache
    double loadMin = 1e9, plainMin = 1e9, freshMin = 1e9;
    long faults = 0;
    const uint64_t bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        auto doc = std::make_unique<vmf::Cvarnello_mfDoc>();
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        auto start = Clock::now();
        if (!doc->LoadFromFile(path, error)) state.SkipWithError(error.c_str());
        double load = Seconds(Clock::now() - start);
        getrusage(RUSAGE_SELF, &after);
        faults = after.ru_minflt - before.ru_minflt;
        doc.reset();
        double plain = PlainRead(path);
        double fresh = PlainReadIntoFreshMemory(path, bytes);
        loadMin = std::min(loadMin, load);
        plainMin = std::min(plainMin, plain);
        freshMin = std::min(freshMin, fresh);
        state.SetIterationTime(load);
    }
    state.counters["load_ms"] = loadMin * 1e3;
    state.counters["faults_last_load"] = static_cast<double>(faults);
    state.counters["plain_read_ms"] = plainMin * 1e3;
    state.counters["ratio_vs_plain_read"] = loadMin / plainMin;
    state.counters["ratio_vs_read_into_new_memory"] = loadMin / freshMin;
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadOneFullHead)->UseManualTime()->Iterations(25)->Unit(benchmark::kMillisecond);

void BM_ClearRecordsFullStore(benchmark::State& state) {
    auto doc = std::make_unique<vmf::Cvarnello_mfDoc>();
    doc->headCount = vmf::MAX_HEADS;
    for (auto _ : state) {
        state.PauseTiming();
        for (int a = 0; a < vmf::MAX_HEADS; ++a) FillHead(*doc, a);
        state.ResumeTiming();
        doc->ClearRecords();
    }
}
BENCHMARK(BM_ClearRecordsFullStore)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
