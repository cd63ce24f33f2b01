// Two figures of the measuring cycle.
//
// CycleOverhead/TenHeads: one whole cycle of ten heads (the reads,
// temperatures, correction and resampling; the hand-over with the copy into
// the panel's workspace and the record advance, which starts the next) on a
// library whose reads cost nothing, so what is measured is the program's own
// work. The baseline in the same run is the bare library calls of that cycle;
// "budget" is the cycle time over the 1 ms allowed.
//
// BackToBack/SimulatedBench: logged cycles of the command line's runner on
// the real clock, two heads at 5 ms exposure, averaging 1, time scale 1.
// "device_ms" is the time of the same reads measured directly in this run;
// the bound is device time + 1 ms, and "ratio" is the measured period over
// it. The panel's figures are in HandOverBench.cpp.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include "acquire/AcquisitionContext.h"
#include "acquire/AcquisitionCycle.h"
#include "acquire/HeadlessAcquisition.h"
#include "acquire/ScheduleHost.h"
#include "acquire/TickClock.h"
#include "acquire/TimerSchedule.h"
#include "app/FixedAnswerDialogs.h"
#include "device/SimulatedDeviceLibrary.h"

namespace vmf {
namespace {

// Reads and temperatures that return at once with fixed values.
class InstantLibrary : public DeviceLibrary {
public:
    int DevOpen(DeviceNumber) override { return 1; }
    int DevGetInfoText1(DeviceNumber, char*, int) override { return 0; }
    int DevGetInfoText2(DeviceNumber, char*, int) override { return 0; }
    int DevGetKind(DeviceNumber) override { return kKindSpectrometer; }
    int DevGetSerial(DeviceNumber, char*, int) override { return 0; }
    int DevSetSerial(DeviceNumber, const char*, int) override { return 0; }
    int DevGetCoefficients(DeviceNumber, double*) override { return 0; }
    int DevSetCoefficients(DeviceNumber, const double*) override { return 0; }
    int DevGetExposure(DeviceNumber, double*) override { return 0; }
    int DevSetExposure(DeviceNumber, double) override { return 0; }
    int DevReadSpectrum(HeadSlot slot, int16_t counts[MAX_CHANNELS]) override {
        for (int c = 0; c < MAX_CHANNELS; ++c)
            counts[c] = static_cast<int16_t>(1000 + c + slot.value);
        return MAX_CHANNELS;
    }
    int DevGetTemperature(DeviceNumber, int16_t* t) override {
        *t = 253;
        return 0;
    }
    int DevWrite(DeviceNumber, const uint8_t*, int) override { return 0; }
    int DevRead(DeviceNumber, uint8_t*, int) override { return 0; }
    int DevClose(DeviceNumber) override { return 0; }
    int DevSetMirrorPosition(DeviceNumber, uint16_t) override { return 0; }
};

void SetUpTenHeads(Cvarnello_mfDoc& doc) {
    doc.headCount = MAX_HEADS;
    for (int a = 0; a < MAX_HEADS; ++a) {
        doc.exposureUs[a] = 10000;
        for (int c = 0; c < MAX_CHANNELS; ++c) {
            doc.wavelengthNm[a][c] = 320.0f + 1.9f * c;
            doc.gain[a][c] = 1.0f;
            doc.whiteRef[a][c] = 2000.0f;
            doc.darkTable[a][0][c] = 100.0f;
            doc.darkTable[a][19][c] = 300.0f;
        }
        doc.whiteRef[a][MAX_CHANNELS] = 10000.0f;
    }
}

void CycleOverhead(benchmark::State& state, WorkerMode mode) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    SetUpTenHeads(*doc);
    InstantLibrary lib;
    FixedAnswerDialogs dialogs(true);
    PanelOptions options;
    options.loggingOn = 0;  // every cycle rewrites the working slot: no growth
    SpectrumWorkspace ws;
    for (int a = 0; a < MAX_HEADS; ++a) ws.DeriveDarkModel(*doc, a);
    std::array<DeviceNumber, MAX_HEADS> devices;
    int selected = 0, displayed = 0;
    MeasuringMethod method = MeasuringMethod::Reflectance;
    bool detected = true, measuring = false, dark = false, selectedOnly = false;
    std::atomic<int> busy{0};
    AcquisitionContext ctx{*doc,      lib,    dialogs,  options,   ws,   devices,      selected,
                           displayed, method, detected, measuring, dark, selectedOnly, &busy};
    uint32_t now = 0;
    TimerSchedule timers([&] { return now; });
    ScheduleHost host(timers, *doc, options, selected);
    AcquisitionCycle cycle(ctx, host, mode);
    cycle.Start(now);

    // Baseline: the library calls of one cycle alone.
    int16_t counts[MAX_CHANNELS];
    const auto b0 = std::chrono::steady_clock::now();
    constexpr int kBaselineRounds = 2000;
    for (int i = 0; i < kBaselineRounds; ++i)
        for (int a = 0; a < MAX_HEADS; ++a) {
            lib.DevReadSpectrum(HeadSlot(a), counts);
            int16_t t;
            lib.DevGetTemperature(DeviceNumber(a), &t);
            benchmark::DoNotOptimize(counts);
        }
    const double baselineUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - b0).count() /
        kBaselineRounds;

    now += 10;
    cycle.OnTimer(now);  // the first cycle (inline: the whole worker)
    double totalUs = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        while (cycle.WorkerState() == 1) std::this_thread::yield();
        now += 1;
        cycle.OnCycleDone(now);  // hand-over, which launches the next cycle
        totalUs += std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
                       .count();
    }
    const double cycleUs = totalUs / static_cast<double>(state.iterations());
    state.counters["cycle_us"] = cycleUs;
    state.counters["baseline_us"] = baselineUs;
    state.counters["x_baseline"] = cycleUs / baselineUs;
    state.counters["budget"] = cycleUs / 1000.0;  // below 1: within the 1 ms allowed
    cycle.Stop();
}

void BM_CycleOverhead_TenHeads(benchmark::State& state) {
    CycleOverhead(state, WorkerMode::Inline);
}
void BM_CycleOverhead_TenHeadsThreaded(benchmark::State& state) {
    CycleOverhead(state, WorkerMode::Threaded);
}

void BM_BackToBack_SimulatedBench(benchmark::State& state) {
    std::string error;
    auto lib = SimulatedDeviceLibrary::FromText(
        "0:head:SN000001;1:head:SN000002;scene=white;timescale=1", error);
    constexpr int kExposureUs = 5000;
    constexpr int kCycles = 60;
    double periodMs = 0, deviceMs = 0;
    for (auto _ : state) {
        // Baseline: the same reads, directly.
        {
            Cvarnello_mfDoc probe;
            lib->DevOpen(DeviceNumber(0));
            lib->DevOpen(DeviceNumber(1));
            lib->DevSetExposure(DeviceNumber(0), kExposureUs);
            lib->DevSetExposure(DeviceNumber(1), kExposureUs);
            int16_t counts[MAX_CHANNELS];
            const auto t0 = std::chrono::steady_clock::now();
            for (int i = 0; i < 20; ++i) {
                lib->DevReadSpectrum(HeadSlot(0), counts);
                lib->DevReadSpectrum(HeadSlot(1), counts);
            }
            deviceMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count() /
                20;
            lib->DevClose(DeviceNumber(0));
            lib->DevClose(DeviceNumber(1));
        }
        auto doc = std::make_unique<Cvarnello_mfDoc>();
        HeadlessAcquisition run(*doc, *lib, SteadyTickMs, [](uint32_t ms) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        });
        HeadlessAcquireOptions opt;
        opt.count = kCycles;
        opt.exposureUs = kExposureUs;
        const auto result = run.Run(opt, nullptr, {});
        if (!result.ok) state.SkipWithError(result.error.c_str());
        // Start to the first read is 10 ms; the period is what remains per
        // cycle.
        periodMs = (static_cast<double>(result.elapsedMs) - 10.0) / kCycles;
        for (int a = 0; a < 2; ++a) lib->DevClose(DeviceNumber(a));
    }
    const double bound = deviceMs + 1.0;
    state.counters["period_ms"] = periodMs;
    state.counters["device_ms"] = deviceMs;
    state.counters["bound_ms"] = bound;
    state.counters["ratio"] = periodMs / bound;
}

BENCHMARK(BM_CycleOverhead_TenHeads)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleOverhead_TenHeadsThreaded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BackToBack_SimulatedBench)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace vmf

BENCHMARK_MAIN();
