// The trend window on a full ten-head store (10 x 86399 records): the full
// computation on the window's two workers (against a baseline that only
// resamples every record on one thread, the least any trend must do), the
// cost of one logged record's points on the panel's thread, and one redraw
// of the thinned lines. Each figure is also given as a share of its budget
// (2 s, 0.2 ms, 50 ms).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <array>
#include <chrono>
#include <memory>

#include "BenchQtMain.h"
#include "BenchSupport.h"
#include "panel/CTrendDlg.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/TrendCollector.h"
#include "spectrum/GridResampler.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

using bench::Clock;
using bench::Seconds;

Cvarnello_mfDoc& FullStore() {
    static std::unique_ptr<Cvarnello_mfDoc> doc = [] {
        auto d = std::make_unique<Cvarnello_mfDoc>();
        d->headCount = MAX_HEADS;
        for (int a = 0; a < MAX_HEADS; ++a) {
            d->channelCount[a] = MAX_CHANNELS;
            for (int c = 0; c < MAX_CHANNELS; ++c) d->wavelengthNm[a][c] = 320.0f + 1.9f * c;
            bench::FillFullSeries(*d, a);
        }
        return d;
    }();
    return *doc;
}

double ResampleEverything(const Cvarnello_mfDoc& doc) {
    const auto t0 = Clock::now();
    std::array<float, GRID_SIZE> grid{};
    float sink = 0;
    for (int a = 0; a < doc.headCount; ++a) {
        GridBrackets b;
        FindBrackets(doc.wavelengthNm[a].data(), doc.channelCount[a], b);
        for (int r = 0; r < doc.recordCount[a]; ++r) {
            ApplyBrackets(b, doc.recProcessed(a, r), doc.wavelengthNm[a].data(), grid.data());
            sink += grid[200];
        }
    }
    benchmark::DoNotOptimize(sink);
    return Seconds(Clock::now() - t0);
}

void FullTrend(benchmark::State& state, bool colour) {
    Cvarnello_mfDoc& doc = FullStore();
    const double baseline = ResampleEverything(doc);
    double seconds = 0;
    for (auto _ : state) {
        TrendCollector c;
        const auto t0 = Clock::now();
        // The window's path: the workers compute, this thread waits for them.
        c.Start(doc, TrendOptions{8192, colour, false});
        c.Finish(doc);
        seconds = Seconds(Clock::now() - t0);
        benchmark::DoNotOptimize(c.Points(9).back());
    }
    state.counters["seconds"] = seconds;
    state.counters["baseline_seconds"] = baseline;
    state.counters["ratio_to_baseline"] = seconds / baseline;
    state.counters["share_of_2s"] = seconds / 2.0;
}

void BM_TrendFullTenHeads(benchmark::State& state) { FullTrend(state, false); }
void BM_TrendFullTenHeadsWithCct(benchmark::State& state) { FullTrend(state, true); }

// A window on the full store, computed once.
struct Window {
    Cvarnello_mfView* view;
    CTrendDlg* dlg;
};
Window& TrendWindow() {
    static Window w = [] {
        ViewContext ctx;
        ctx.doc = &FullStore();
        auto* view = new Cvarnello_mfView(ctx);
        auto* dlg = new CTrendDlg(*view, nullptr);
        dlg->resize(1200, 600);
        dlg->show();
        return Window{view, dlg};
    }();
    return w;
}

void BM_TrendAddPoint(benchmark::State& state) {
    Cvarnello_mfDoc& doc = FullStore();
    const int start = LAST_RECORD - 6000;
    for (int a = 0; a < MAX_HEADS; ++a) doc.recordCount[a] = start;
    Window& w = TrendWindow();
    w.dlg->FinishComputation();
    // The computation alone, as the baseline: ten heads' points of one record.
    std::array<std::unique_ptr<HeadTrend>, MAX_HEADS> heads;
    for (int a = 0; a < MAX_HEADS; ++a)
        heads[a] = std::make_unique<HeadTrend>(doc, a, TrendOptions{});
    const auto b0 = Clock::now();
    for (int r = 0; r < 2000; ++r)
        for (int a = 0; a < MAX_HEADS; ++a) benchmark::DoNotOptimize(heads[a]->At(r));
    const double baseline = Seconds(Clock::now() - b0) / 2000;

    int n = start;
    double total = 0;
    for (auto _ : state) {
        if (n >= LAST_RECORD) break;
        ++n;
        for (int a = 0; a < MAX_HEADS; ++a) doc.recordCount[a] = n;
        const auto t0 = Clock::now();
        w.dlg->Sync();  // what each counted record costs the panel's thread
        total += Seconds(Clock::now() - t0);
    }
    const double perRecord = total / std::max<int64_t>(1, state.iterations());
    state.counters["ms_per_record"] = perRecord * 1e3;
    state.counters["ratio_to_baseline"] = perRecord / baseline;
    state.counters["share_of_0_2ms"] = perRecord / 0.2e-3;
    for (int a = 0; a < MAX_HEADS; ++a) doc.recordCount[a] = LAST_RECORD;
}

void BM_TrendRedraw(benchmark::State& state) {
    Window& w = TrendWindow();
    w.dlg->FinishComputation();
    double total = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        w.dlg->Redraw();
        QApplication::processEvents();  // the chart lays the new points out
        total += Seconds(Clock::now() - t0);
    }
    const double perRedraw = total / std::max<int64_t>(1, state.iterations());
    state.counters["ms_per_redraw"] = perRedraw * 1e3;
    state.counters["share_of_50ms"] = perRedraw / 50e-3;
}

BENCHMARK(BM_TrendFullTenHeads)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TrendFullTenHeadsWithCct)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TrendAddPoint)->Unit(benchmark::kMicrosecond)->Iterations(5000);
BENCHMARK(BM_TrendRedraw)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace vmf

int main(int argc, char** argv) { return vmf::bench::RunQtBenchmarks(argc, argv); }
