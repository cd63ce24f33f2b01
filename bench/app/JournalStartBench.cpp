// Start-up with no journal left behind, against start-up as it was before
// journals: the store the application creates, then (now) the journal keeper
// with its look into the empty recovery folder. "ratio" is now over before;
// the keeper's own share ("keeper_us") is what start-up gained.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "BenchSupport.h"
#include "app/JournalKeeper.h"
#include "common/FixedAnswerDialogs.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

void BM_StartUp_NoJournalLeft(benchmark::State& state) {
    const std::string folder = bench::BenchFile("vmf-bench-recovery");
    std::filesystem::remove_all(folder);
    FixedAnswerDialogs dialogs(true);
    double before = 0, now = 0;
    for (auto _ : state) {
        const auto t0 = bench::Clock::now();
        {
            auto doc = std::make_unique<Cvarnello_mfDoc>();
            benchmark::DoNotOptimize(doc.get());
        }
        const auto t1 = bench::Clock::now();
        {
            auto doc = std::make_unique<Cvarnello_mfDoc>();
            JournalKeeper keeper(*doc, dialogs, folder);
            if (keeper.OfferRecovery()) state.SkipWithError("a journal was found");
        }
        const auto t2 = bench::Clock::now();
        before += bench::Seconds(t1 - t0);
        now += bench::Seconds(t2 - t1);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["before_us"] = before / n * 1e6;
    state.counters["now_us"] = now / n * 1e6;
    state.counters["keeper_us"] = (now - before) / n * 1e6;
    state.counters["ratio"] = now / before;
    std::filesystem::remove_all(folder);
}

BENCHMARK(BM_StartUp_NoJournalLeft)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
}  // namespace vmf

BENCHMARK_MAIN();
