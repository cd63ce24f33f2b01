// CSV export of one head with 86399 records (vertical, 340..850 nm in 10 nm
// steps, temperature and exposure rows, labels) against writing the same
// bytes, prepared beforehand in memory, with a plain stdio stream. Both run
// in the same iteration on the same disk, so the ratio counter compares like
// with like; neither forces the data to the disk.
//
// Files go to $VMF_BENCH_DIR or the system's temporary folder and are deleted.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "csv/CsvStringSink.h"
#include "csv/CsvWriter.h"

namespace {

using vmf::bench::BenchFile;
using vmf::bench::Clock;
using vmf::bench::Seconds;
constexpr int kRecords = vmf::LAST_RECORD;  // 86399, a full series

// CPU time of this thread, system time included: on a machine shared with
// other work the wall-clock ratio swings with the load, this one does not.
double ThreadCpuSeconds() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
#else
    return 0;
#endif
}

// One head shaped like a real one: channels from about 310 to 866 nm, a
// rising dark, counts with fractions in the thousands.
vmf::Cvarnello_mfDoc& FullHead() {
    static std::unique_ptr<vmf::Cvarnello_mfDoc> doc = [] {
        auto d = std::make_unique<vmf::Cvarnello_mfDoc>();
        d->headCount = 1;
        d->channelCount[0] = vmf::MAX_CHANNELS;
        for (int c = 0; c < vmf::MAX_CHANNELS; ++c) {
            d->wavelengthNm[0][c] = 310.0f + 1.93f * static_cast<float>(c);
            d->darkTable[0][0][c] = 800.0f + 0.25f * static_cast<float>(c);
            d->darkTable[0][19][c] = 1200.0f;
        }
        for (int r = 0; r < kRecords; ++r) {
            d->EnsureRecordArrays(0, r);
            d->recExposureUs(0, r) = 10000 + r % 7;
            d->recTemperatureC(0, r) = 24.0f + 0.001f * static_cast<float>(r % 3000);
            float* raw = d->recRaw(0, r);
            for (int c = 0; c < vmf::MAX_CHANNELS; ++c)
                raw[c] = 1000.0f + static_cast<float>((r * 31 + c * 17) % 5000) * 0.73f;
        }
        d->recordCount[0] = kRecords;
        return d;
    }();
    return *doc;
}

bool Export(vmf::SpectrumWorkspace& ws, const std::string& path) {
    vmf::CsvWriter writer(FullHead(), ws, {}, vmf::CSV_TARGET_PROCESSED);
    std::string error;
    return writer.WriteCsvFile(path, 0, kRecords, 0, true, true, true, true, 340, 850, 10, error);
}

double PlainWrite(const std::string& path, const std::string& bytes) {
    auto start = Clock::now();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return Seconds(Clock::now() - start);
}

void BM_ExportFullHeadVertical(benchmark::State& state) {
    auto ws = std::make_unique<vmf::SpectrumWorkspace>();
    ws->DeriveDarkModel(FullHead(), 0);
    const std::string target = BenchFile("vmf-bench-export.csv");
    const std::string plain = BenchFile("vmf-bench-plain.csv");
    // The bytes of the export, prepared once outside the timing.
    vmf::CsvStringSink prepared;
    {
        vmf::CsvWriter writer(FullHead(), *ws, {}, vmf::CSV_TARGET_PROCESSED);
        vmf::CsvRequest q;
        q.endRecord = kRecords;
        std::string error;
        if (!writer.Write(prepared, q, error)) state.SkipWithError(error.c_str());
    }
    double exportTotal = 0, plainTotal = 0, exportCpu = 0, plainCpu = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        double cpu = ThreadCpuSeconds();
        if (!Export(*ws, target)) {
            state.SkipWithError("export failed");
            break;
        }
        const double e = Seconds(Clock::now() - start);
        exportCpu += ThreadCpuSeconds() - cpu;
        cpu = ThreadCpuSeconds();
        const double p = PlainWrite(plain, prepared.bytes);
        plainCpu += ThreadCpuSeconds() - cpu;
        exportTotal += e;
        plainTotal += p;
        state.SetIterationTime(e);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["export_s"] = exportTotal / n;
    state.counters["buffer_write_s"] = plainTotal / n;
    state.counters["ratio"] = plainTotal > 0 ? exportTotal / plainTotal : 0;
    state.counters["export_cpu_s"] = exportCpu / n;
    state.counters["buffer_write_cpu_s"] = plainCpu / n;
    state.counters["cpu_ratio"] = plainCpu > 0 ? exportCpu / plainCpu : 0;
    state.counters["MB"] = static_cast<double>(prepared.bytes.size()) / 1e6;
    state.SetBytesProcessed(static_cast<int64_t>(prepared.bytes.size()) * state.iterations());
    std::filesystem::remove(target);
    std::filesystem::remove(plain);
}
BENCHMARK(BM_ExportFullHeadVertical)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Where the export's time goes: the preparation of every record alone
// (correction and resampling, no text).
void BM_PrepareFullHead(benchmark::State& state) {
    auto ws = std::make_unique<vmf::SpectrumWorkspace>();
    ws->DeriveDarkModel(FullHead(), 0);
    for (auto _ : state) {
        for (int r = 0; r < kRecords; ++r) {
            ws->ProcessRecord(FullHead(), 0, r, {});
            ws->ResampleRecord(FullHead(), 0, r, {});
        }
        benchmark::DoNotOptimize(ws->displaySpectrum[0][0]);
    }
}
BENCHMARK(BM_PrepareFullHead)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
