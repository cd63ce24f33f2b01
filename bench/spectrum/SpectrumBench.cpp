// Resampling against the plain per-point scan it replaces, and one
// acquisition cycle's processing for ten heads. The ratio is taken between
// benchmarks of the same run, so the figures do not depend on the machine.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchReporter.h"
#include "spectrum/GridResampler.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"

namespace {

using vmf::Cvarnello_mfDoc;
using vmf::GRID_POINTS;
using vmf::MAX_CHANNELS;
using vmf::MAX_HEADS;
using vmf::MeasuringMethod;
using vmf::ProcessingOptions;
using vmf::SpectrumWorkspace;

constexpr double kMinSpeedup = 20.0;
constexpr double kMaxCycleUs = 50.0;

// Ten heads with a typical quadratic wavelength calibration (about 315 to
// 862 nm), a rising dark, gain, a white reference and one record each.
std::unique_ptr<Cvarnello_mfDoc> MakeBench() {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->headCount = MAX_HEADS;
    for (int a = 0; a < MAX_HEADS; ++a) {
        for (int c = 0; c < MAX_CHANNELS; ++c) {
            const double x = c;
            doc->wavelengthNm[a][c] =
                static_cast<float>(315.0 + 0.1 * a + 2.05 * x - 0.0005 * x * x);
            doc->darkTable[a][0][c] = 800.0f + static_cast<float>(c % 7);
            doc->darkTable[a][19][c] = 950.0f + static_cast<float>(c % 11);
            doc->gain[a][c] = 1.0f + 0.001f * static_cast<float>(c);
            doc->whiteRef[a][c] = 3000.0f + static_cast<float>(c);
        }
        doc->whiteRef[a][MAX_CHANNELS] = 100000.0f;
        doc->EnsureRecordArrays(a, 0);
        doc->recExposureUs(a, 0) = 100000;
        for (int c = 0; c < MAX_CHANNELS; ++c)
            doc->recRaw(a, 0)[c] = 2000.0f + static_cast<float>((c * 37) % 1500);
    }
    return doc;
}

struct Fixture {
    std::unique_ptr<Cvarnello_mfDoc> doc = MakeBench();
    std::unique_ptr<SpectrumWorkspace> ws = std::make_unique<SpectrumWorkspace>();
    Fixture() {
        for (int a = 0; a < MAX_HEADS; ++a) {
            ws->DeriveDarkModel(*doc, a);
            ws->ProcessRecord(*doc, a, 0, {MeasuringMethod::LightSource, false});
        }
    }
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

void BM_ResampleByScan(benchmark::State& state) {
    Fixture& f = Shared();
    std::array<float, GRID_POINTS> out{};
    for (auto _ : state) {
        vmf::ResampleByScan(f.doc->recProcessed(0, 0), f.doc->wavelengthNm[0].data(), MAX_CHANNELS,
                            out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ResampleByScan);

void BM_ResampleRecord(benchmark::State& state) {
    Fixture& f = Shared();
    std::array<float, GRID_POINTS> expected{};
    vmf::ResampleByScan(f.doc->recProcessed(0, 0), f.doc->wavelengthNm[0].data(), MAX_CHANNELS,
                        expected.data());
    const ProcessingOptions light{MeasuringMethod::LightSource, false};
    for (auto _ : state) {
        f.ws->ResampleRecord(*f.doc, 0, 0, light);
        benchmark::DoNotOptimize(f.ws->displaySpectrum[0].data());
        benchmark::ClobberMemory();
    }
    if (std::memcmp(expected.data(), f.ws->displaySpectrum[0].data(), sizeof expected) != 0)
        state.SkipWithError("resampled output differs from the plain scan");
}
BENCHMARK(BM_ResampleRecord);

void BM_ProcessAndResampleTenHeads(benchmark::State& state) {
    Fixture& f = Shared();
    const ProcessingOptions opt{MeasuringMethod::Reflectance, true};
    for (auto _ : state) {
        for (int a = 0; a < MAX_HEADS; ++a) {
            f.ws->ProcessRecord(*f.doc, a, 0, opt);
            f.ws->ResampleRecord(*f.doc, a, 0, opt);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ProcessAndResampleTenHeads)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    auto t = vmf::bench::RunBenchmarks(argc, argv);
    int rc = 0;
    if (t.count("BM_ResampleByScan") && t.count("BM_ResampleRecord")) {
        const double speedup = t["BM_ResampleByScan"] / t["BM_ResampleRecord"];
        std::printf("resampling speed-up over the plain scan: %.1fx (target >= %.0fx) %s\n",
                    speedup, kMinSpeedup, speedup >= kMinSpeedup ? "ok" : "MISSED");
        rc |= speedup >= kMinSpeedup ? 0 : 1;
    }
    if (t.count("BM_ProcessAndResampleTenHeads")) {
        const double us = t["BM_ProcessAndResampleTenHeads"] / 1000.0;
        std::printf("process + resample, ten heads: %.2f us per cycle (target < %.0f us) %s\n", us,
                    kMaxCycleUs, us < kMaxCycleUs ? "ok" : "MISSED");
        rc |= us < kMaxCycleUs ? 0 : 1;
    }
    return rc;
}
