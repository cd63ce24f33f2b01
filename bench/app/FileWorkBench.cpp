// File work in the window against the same work done synchronously, in the
// same run: save and load of a full ten-head store (86399 records a head,
// 2.0 GB; VMF_BENCH_HEADS scales it down), first straight on the calling
// thread, then through the window's FileJobRunner with its event loop and
// progress dialog. Counters: async/sync, the ratio of the two times, and
// gui_gap_ms, the longest the GUI thread went without serving a 5 ms timer
// during the async runs (the loading's adoption into the store included).
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
// Files go to $VMF_BENCH_DIR or the temporary folder and are deleted.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "common/FileJobRunner.h"
#include "store/Cvarnello_mfDoc.h"

namespace {

using vmf::bench::BenchFile;
using vmf::bench::Clock;
using vmf::bench::Seconds;

int Heads() {
    const char* text = std::getenv("VMF_BENCH_HEADS");
    const int n = text ? std::atoi(text) : vmf::MAX_HEADS;
    return n < 1 ? 1 : n > vmf::MAX_HEADS ? vmf::MAX_HEADS : n;
}

vmf::Cvarnello_mfDoc& FullStore() {
    static std::unique_ptr<vmf::Cvarnello_mfDoc> doc = [] {
        auto d = std::make_unique<vmf::Cvarnello_mfDoc>();
        d->headCount = Heads();
        for (int a = 0; a < d->headCount; ++a) {
            d->channelCount[a] = vmf::MAX_CHANNELS;
            d->headKind[a] = "C12880MA";
            d->serialNo[a] = "23A0000" + std::to_string(a);
            for (int r = 0; r < vmf::LAST_RECORD; ++r) {
                d->EnsureRecordArrays(a, r);
                d->recExposureUs(a, r) = 10000;
                d->recTemperatureC(a, r) = 25.0f;
                for (int c = 0; c < vmf::MAX_CHANNELS; ++c) {
                    d->recRaw(a, r)[c] = static_cast<float>(r + c);
                    d->recProcessed(a, r)[c] = static_cast<float>(r - c) * 0.5f;
                }
            }
            d->recordCount[a] = vmf::LAST_RECORD;
        }
        return d;
    }();
    return *doc;
}

// The longest time between two ticks of a 5 ms timer while it runs.
class GapMeter {
public:
    GapMeter() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            if (now - last_ > longest_) longest_ = now - last_;
            last_ = now;
        });
        clock_.start();
        timer_.start();
    }
    qint64 LongestMs() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0, longest_ = 0;
};

void Report(benchmark::State& state, double sync, double async, qint64 gap) {
    state.counters["sync_s"] = sync;
    state.counters["async_s"] = async;
    state.counters["async/sync"] = async / sync;
    state.counters["gui_gap_ms"] = static_cast<double>(gap);
    state.counters["bytes"] = static_cast<double>(FullStore().StoredSize());
}

void BM_SaveFullStore(benchmark::State& state) {
    vmf::Cvarnello_mfDoc& doc = FullStore();
    const std::string path = BenchFile("vmf-bench-filework.vqdata");
    vmf::FileJobRunner runner(nullptr);
    // A shared disk's speed wanders by a factor of two between saves: each
    // side's fastest iteration is compared, and the order alternates so
    // neither always follows the other's writeback.
    double bestSync = 1e9, bestAsync = 1e9;
    qint64 longestGap = 0;
    int iteration = 0;
    for (auto _ : state) {
        std::string error;
        auto sync = [&] {
            const auto t0 = Clock::now();
            if (!doc.SaveToFile(path, error)) state.SkipWithError(error.c_str());
            bestSync = std::min(bestSync, Seconds(Clock::now() - t0));
        };
        auto async = [&] {
            bool ok = false;
            GapMeter meter;
            const auto t0 = Clock::now();
            runner.Run("bench", [&](vmf::FileProgress& progress) {
                vmf::FileFailure failure;
                ok = doc.SaveToFile(path, error, failure, &progress);
            });
            bestAsync = std::min(bestAsync, Seconds(Clock::now() - t0));
            longestGap = std::max(longestGap, meter.LongestMs());
            if (!ok) state.SkipWithError(error.c_str());
        };
        if (iteration++ % 2 == 0) {
            sync();
            async();
        } else {
            async();
            sync();
        }
    }
    Report(state, bestSync, bestAsync, longestGap);
    std::filesystem::remove(path);
}

void BM_LoadFullStoreOverItself(benchmark::State& state) {
    // As File Open over a store that holds a full series: the loaded records
    // replace the ones there.
    vmf::Cvarnello_mfDoc& doc = FullStore();
    const std::string path = BenchFile("vmf-bench-filework-load.vqdata");
    std::string error;
    if (!doc.SaveToFile(path, error)) state.SkipWithError(error.c_str());
    vmf::FileJobRunner runner(nullptr);
    for (auto _ : state) {
        auto t0 = Clock::now();
        if (!doc.LoadFromFile(path, error)) state.SkipWithError(error.c_str());
        const double sync = Seconds(Clock::now() - t0);

        std::unique_ptr<vmf::Cvarnello_mfDoc> staged;
        bool ok = false;
        GapMeter meter;
        t0 = Clock::now();
        runner.Run("bench", [&](vmf::FileProgress& progress) {
            vmf::FileFailure failure;
            ok = vmf::Cvarnello_mfDoc::ReadStaged(path, staged, error, failure, &progress);
        });
        // As File Open does: adopt here, free the replaced records on the worker.
        if (ok && staged) doc.AdoptLoaded(*staged);
        runner.Run("bench", [&](vmf::FileProgress&) { staged.reset(); });
        const double async = Seconds(Clock::now() - t0);
        // Let the meter see the GUI thread once more after the adoption.
        QApplication::processEvents();
        if (!ok) state.SkipWithError(error.c_str());
        Report(state, sync, async, meter.LongestMs());
    }
    std::filesystem::remove(path);
}

BENCHMARK(BM_SaveFullStore)->Unit(benchmark::kSecond)->Iterations(4)->UseRealTime();
BENCHMARK(BM_LoadFullStoreOverItself)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
