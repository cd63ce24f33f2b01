// Detection of ten simulated heads at time scale 0 (target: under 50 ms in
// all). The baseline in the same run is the bare command traffic of one head
// (312 commands and replies through the library), so the ratio shows what
// detection adds on top of the protocol itself.

#include <benchmark/benchmark.h>

#include <memory>

#include "device/CalibrationProtocol.h"
#include "device/Detection.h"
#include "device/SimulatedDeviceLibrary.h"
#include "fakes/ScriptedDialogs.h"

namespace vmf {
namespace {

constexpr const char* kTenHeads =
    "0:head;1:head;2:head;3:head;4:head;5:head;6:head;7:head;8:head;9:head;timescale=0";

void BM_DetectTenHeads(benchmark::State& state) {
    std::string error;
    auto sim = SimulatedDeviceLibrary::FromText(kTenHeads, error);
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    test::ScriptedDialogs dialogs;
    for (auto _ : state) {
        auto out = Detect(*doc, *sim, dialogs, {}, 0);
        benchmark::DoNotOptimize(out.headsFound);
        doc->historyText.clear();  // keep the history from growing across iterations
    }
    state.counters["heads"] = doc->headCount;
}
BENCHMARK(BM_DetectTenHeads)->Unit(benchmark::kMillisecond);

void BM_ReadOneHeadBaseline(benchmark::State& state) {
    std::string error;
    auto sim = SimulatedDeviceLibrary::FromText("0:head;timescale=0", error);
    sim->DevOpen(DeviceNumber(0));
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    for (auto _ : state) {
        bool ok = ReadWavelengthTable(*doc, *sim, HeadSlot(0), DeviceNumber(0));
        for (int s = 0; s < DARK_STEPS; ++s)
            ok = ReadDarkStep(*doc, *sim, HeadSlot(0), DeviceNumber(0), s) && ok;
        ok = ReadGainTable(*doc, *sim, HeadSlot(0), DeviceNumber(0)) && ok;
        ok = ReadWhiteTable(*doc, *sim, HeadSlot(0), DeviceNumber(0)) && ok;
        ok = ReadTransmissionTable(*doc, *sim, HeadSlot(0), DeviceNumber(0)) && ok;
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_ReadOneHeadBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vmf

BENCHMARK_MAIN();
