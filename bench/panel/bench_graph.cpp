// Cost of one DrawGraph with the heaviest content the panel can show: ten
// measured, ten comparison and ten ratio curves plus the response and ten
// gain curves, and ten heads of bars. The baseline in the same run is a draw
// with no heads (boxes, grid and labels only); each benchmark reports its
// time per draw and its ratio to that baseline.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cmath>
#include <memory>

#include "BenchQtMain.h"
#include "panel/GraphRenderer.h"
#include "store/Cvarnello_mfDoc.h"

namespace {

using vmf::GraphInput;
using vmf::GraphRenderer;

struct Scene {
    std::unique_ptr<vmf::Cvarnello_mfDoc> doc = std::make_unique<vmf::Cvarnello_mfDoc>();
    std::unique_ptr<vmf::SpectrumWorkspace> ws = std::make_unique<vmf::SpectrumWorkspace>();
    std::unique_ptr<vmf::GridRows> compare = std::make_unique<vmf::GridRows>();
    int ratioMin = 0;
    GraphRenderer renderer;

    explicit Scene(int heads) {
        renderer.Resize(640);
        doc->headCount = heads;
        for (int u = 0; u < vmf::MAX_HEADS; ++u) {
            doc->channelCount[u] = vmf::MAX_CHANNELS;
            for (int c = 0; c < vmf::MAX_CHANNELS; ++c) {
                doc->wavelengthNm[u][c] = 320.0f + 1.9f * c;
                doc->gain[u][c] = 1.0f + 0.01f * c + 0.05f * u;
            }
            for (int k = 0; k < vmf::GRID_POINTS; ++k) {
                // Noisy peaks so every segment of every curve has a slope.
                const float x = (k - 150.0f - 25.0f * u) / 70.0f;
                ws->displaySpectrum[u][k] = 7000.0f * std::exp(-x * x) + 80.0f * std::sin(0.7f * k);
                ws->displayRatio[u][k] = 50.0f + 9.0f * u + 20.0f * std::sin(0.05f * k);
                (*compare)[u][k] = 5000.0f * std::exp(-x * x) + 60.0f * std::cos(0.9f * k);
            }
        }
    }

    GraphInput Input(bool bars) {
        GraphInput in;
        in.ws = ws.get();
        in.doc = doc.get();
        in.ratioMin = &ratioMin;
        in.method = vmf::MeasuringMethod::Reflectance;
        in.maintenanceMode = !bars;
        in.barDisplay = bars;
        in.compareSpectrum = compare.get();
        in.compareHeadCount = vmf::MAX_HEADS;
        in.compareDrawable = true;
        return in;
    }
};

// Seconds per draw of the empty graph, measured once before the benchmarks.
double BaselineSeconds() {
    static const double seconds = [] {
        Scene scene(0);
        const GraphInput in = scene.Input(false);
        for (int i = 0; i < 50; ++i) scene.renderer.DrawGraph(in);
        const int n = 500;
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i) scene.renderer.DrawGraph(in);
        const auto t1 = std::chrono::steady_clock::now();
        return std::chrono::duration<double>(t1 - t0).count() / n;
    }();
    return seconds;
}

void Run(benchmark::State& state, int heads, bool bars) {
    Scene scene(heads);
    const GraphInput in = scene.Input(bars);
    const double baseline = BaselineSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        scene.renderer.DrawGraph(in);
        benchmark::DoNotOptimize(scene.renderer.image().constBits());
    }
    const double perDraw =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() /
        state.iterations();
    state.counters["ms_per_draw"] = perDraw * 1e3;
    state.counters["baseline_ms"] = baseline * 1e3;
    state.counters["ratio_to_baseline"] = perDraw / baseline;
}

void BM_DrawGraphEmpty(benchmark::State& state) { Run(state, 0, false); }
void BM_DrawGraphAllCurves(benchmark::State& state) { Run(state, vmf::MAX_HEADS, false); }
void BM_DrawGraphBars(benchmark::State& state) { Run(state, vmf::MAX_HEADS, true); }

BENCHMARK(BM_DrawGraphEmpty)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawGraphAllCurves)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawGraphBars)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return vmf::bench::RunQtBenchmarks(argc, argv); }
