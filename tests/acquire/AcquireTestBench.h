#pragma once
// Shared scaffolding of the acquisition tests: a panel without a window
// (FakeHost over a TimerSchedule on a fake clock), a device library that
// wraps the simulated bench with scripted spectra, per-cycle durations on the
// fake clock and an optional gate that holds a threaded worker, and a bench
// that detects two heads.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "acquire/AcquisitionContext.h"
#include "acquire/AcquisitionCycle.h"
#include "acquire/AcquisitionHost.h"
#include "acquire/CompletionFlag.h"
#include "acquire/TimerSchedule.h"
#include "device/Detection.h"
#include "device/SimulatedDeviceLibrary.h"
#include "fakes/ScriptedDialogs.h"

namespace vmf::test {

// Forwards to the simulated bench; DevReadSpectrum can be scripted, can move
// the fake clock (the time a cycle "takes") and can wait at a gate.
class ScriptedLibrary : public DeviceLibrary {
public:
    explicit ScriptedLibrary(std::unique_ptr<SimulatedDeviceLibrary> inner)
        : inner_(std::move(inner)) {}

    SimulatedDeviceLibrary& inner() { return *inner_; }

    // counts(slot, exposureUs, channel); unset: the simulator's own spectrum.
    std::function<int16_t(int, double, int)> counts;
    // Every read of slot 0 is noted in readStarts (the fake time, when
    // hooked). Fake clock moved by each cycle: on every read of slot 0 the
    // front of cycleMs (or defaultCycleMs) is added to *clock. Inline
    // workers only.
    uint32_t* clock = nullptr;
    std::deque<uint32_t> cycleMs;
    uint32_t defaultCycleMs = 0;
    std::vector<uint32_t> readStarts;

    // Gate: while closed, reads from any thread but the one that built the
    // library (the test's, standing for the panel's) wait.
    void CloseGate() {
        std::lock_guard lock(m_);
        open_ = false;
    }
    void OpenGate() {
        {
            std::lock_guard lock(m_);
            open_ = true;
        }
        cv_.notify_all();
    }
    std::atomic<int> readsWaiting{0};

    int DevOpen(DeviceNumber d) override { return inner_->DevOpen(d); }
    int DevGetInfoText1(DeviceNumber d, char* b, int s) override {
        return inner_->DevGetInfoText1(d, b, s);
    }
    int DevGetInfoText2(DeviceNumber d, char* b, int s) override {
        return inner_->DevGetInfoText2(d, b, s);
    }
    int DevGetKind(DeviceNumber d) override { return inner_->DevGetKind(d); }
    int DevGetSerial(DeviceNumber d, char* b, int s) override {
        return inner_->DevGetSerial(d, b, s);
    }
    int DevSetSerial(DeviceNumber d, const char* b, int s) override {
        return inner_->DevSetSerial(d, b, s);
    }
    int DevGetCoefficients(DeviceNumber d, double c[WAVE_COEFFS]) override {
        return inner_->DevGetCoefficients(d, c);
    }
    int DevSetCoefficients(DeviceNumber d, const double c[WAVE_COEFFS]) override {
        return inner_->DevSetCoefficients(d, c);
    }
    int DevGetExposure(DeviceNumber d, double* e) override { return inner_->DevGetExposure(d, e); }
    int DevSetExposure(DeviceNumber d, double e) override {
        {
            std::lock_guard lock(m_);
            exposure_[d.value] = e;
            exposureLog.emplace_back(d.value, e);
        }
        return inner_->DevSetExposure(d, e);
    }
    int DevReadSpectrum(HeadSlot slot, int16_t out[MAX_CHANNELS]) override {
        if (std::this_thread::get_id() != owner_) {
            std::unique_lock lock(m_);
            ++readsWaiting;
            cv_.wait(lock, [&] { return open_; });
            --readsWaiting;
        }
        if (slot.value == 0) readStarts.push_back(clock ? *clock : 0);
        if (clock && slot.value == 0) {
            uint32_t d = defaultCycleMs;
            if (!cycleMs.empty()) {
                d = cycleMs.front();
                cycleMs.pop_front();
            }
            *clock += d;
        }
        if (!counts) return inner_->DevReadSpectrum(slot, out);
        double e;
        {
            std::lock_guard lock(m_);
            e = exposure_[slot.value];  // the benches here keep head k at device k
        }
        for (int c = 0; c < MAX_CHANNELS; ++c) out[c] = counts(slot.value, e, c);
        return MAX_CHANNELS;
    }
    int DevGetTemperature(DeviceNumber d, int16_t* t) override {
        return inner_->DevGetTemperature(d, t);
    }
    int DevWrite(DeviceNumber d, const uint8_t* b, int s) override {
        return inner_->DevWrite(d, b, s);
    }
    int DevRead(DeviceNumber d, uint8_t* b, int s) override { return inner_->DevRead(d, b, s); }
    int DevClose(DeviceNumber d) override { return inner_->DevClose(d); }
    int DevSetMirrorPosition(DeviceNumber d, uint16_t p) override {
        return inner_->DevSetMirrorPosition(d, p);
    }

    std::vector<std::pair<int, double>> exposureLog;

private:
    std::unique_ptr<SimulatedDeviceLibrary> inner_;
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = true;
    std::thread::id owner_ = std::this_thread::get_id();
    std::array<double, MAX_DEVICES> exposure_{};
};

class FakeHost : public AcquisitionHost {
public:
    explicit FakeHost(TimerSchedule& timers) : timers_(timers) {}

    std::vector<std::pair<std::string, std::string>> messages;
    std::vector<std::string> infos;
    std::map<int, bool> enabled;
    std::map<int, std::string> edits{{1005, "10000"}, {1012, "1"}, {1017, "0"}};
    std::string caption;
    ModeDisplayState mode;
    int draws = 0, infoBars = 0, reprocessed = 0, positions = 0, recordCounts = 0, autoSaves = 0;
    int handOvers = 0;
    int saves = 0;                    // SaveRecords
    std::vector<uint32_t> drawTimes;  // fake time of every DrawGraph

    void ShowMessage(const std::string& l1, const std::string& l2) override {
        messages.emplace_back(l1, l2);
    }
    void ShowInfo(const std::string& t) override { infos.push_back(t); }
    void DrawGraph() override {
        ++draws;
        drawTimes.push_back(timers_.Now());
    }
    void UpdateInfoBar(int) override { ++infoBars; }
    void ReprocessDisplayed() override { ++reprocessed; }
    void ShowPosition() override { ++positions; }
    void ShowRecordCount() override { ++recordCounts; }
    void ApplyControls(const ControlEnable* items, int n) override {
        for (int i = 0; i < n; ++i) enabled[items[i].id] = items[i].enabled;
    }
    void ApplyModeDisplay(const ModeDisplayState& s) override {
        mode = s;
        for (const auto& e : s.enable) enabled[e.id] = e.enabled;
    }
    void EnableControl(int id, bool on) override { enabled[id] = on; }
    void SetStartCaption(const std::string& c) override { caption = c; }
    std::string EditText(int id) override { return edits[id]; }
    void StartTimer(int id, int ms) override { timers_.Start(id, ms); }
    void StopTimer(int id) override { timers_.Stop(id); }
    void AutoSaveCsv() override { ++autoSaves; }
    void CycleHandedOver() override { ++handOvers; }
    void SaveRecords() override { ++saves; }

    std::string LastLine1() const {
        return messages.empty() ? std::string() : messages.back().first;
    }

private:
    TimerSchedule& timers_;
};

// A detected two-head panel on a fake clock.
struct TestBench {
    explicit TestBench(const char* benchText = "0:head:A1;1:head:B2;2:led16;timescale=0")
        : lib(MakeLibrary(benchText)) {}

    static std::unique_ptr<ScriptedLibrary> MakeLibrary(const char* text) {
        std::string error;
        auto sim = SimulatedDeviceLibrary::FromText(text, error);
        if (!sim) ADD_FAILURE() << error;
        return std::make_unique<ScriptedLibrary>(std::move(sim));
    }

    std::unique_ptr<ScriptedLibrary> lib;
    uint32_t now = 100000;
    Cvarnello_mfDoc doc;
    ScriptedDialogs dialogs;
    PanelOptions options;
    SpectrumWorkspace ws;
    std::array<DeviceNumber, MAX_HEADS> headDevice;
    int selectedHead = 0;
    int displayedRecord = 0;
    MeasuringMethod method = MeasuringMethod::LightSource;
    bool detected = false, measuring = false, darkInProgress = false, selectedOnly = false;
    std::atomic<int> busy{0};
    AcquisitionContext ctx{doc,        *lib,           dialogs,         options, ws,
                           headDevice, selectedHead,   displayedRecord, method,  detected,
                           measuring,  darkInProgress, selectedOnly,    &busy};
    TimerSchedule timers{[this] { return now; }};
    FakeHost host{timers};
    TimerDispatch dispatch{[this](int id) { timers.Stop(id); }};
    // The completion event as a runner without an event loop has it: the
    // worker raises the flag, Run hands over before any timer fires.
    CompletionFlag cycleDone;
    std::function<void(uint32_t)> onCycleDone;

    // The cycle's timer and its completion, as the panel wires them.
    void WireCycle(AcquisitionCycle& cycle) {
        dispatch.Set(kTimerCycle, [&cycle](uint32_t t) { cycle.OnTimer(t); });
        cycle.SetCycleDoneNotifier([this] { cycleDone.Post(); });
        onCycleDone = [&cycle](uint32_t t) { cycle.OnCycleDone(t); };
    }

    // Interval mode, 1000 ms apart, on cycles of 300 ms of which the second
    // takes 2500 ms; the fake clock moves with the reads.
    void ScriptLongCycleAmongIntervals() {
        lib->clock = &now;
        lib->defaultCycleMs = 300;
        lib->cycleMs = {300, 2500, 300, 300, 300};
        options.intervalOn = 1;
        host.edits[1017] = "1000";
    }
    // When the first n cycles began their reads, relative to t0.
    std::vector<uint32_t> StartsSince(uint32_t t0, size_t n) const {
        std::vector<uint32_t> out;
        for (size_t i = 0; i < n && i < lib->readStarts.size(); ++i)
            out.push_back(lib->readStarts[i] - t0);
        return out;
    }

    void DetectHeads() {
        const auto out = Detect(
            doc, *lib, dialogs, [&](int s) { ws.DeriveDarkModel(doc, s); }, std::time(nullptr));
        ASSERT_TRUE(out.headsFound);
        headDevice = out.headDevice;
        detected = true;
        host.edits[1005] = std::to_string(doc.exposureUs[0]);
    }

    // Fires due timers in order on the fake clock until `done` holds or no
    // timer is left (or `maxSteps` firings); a posted completion event is
    // handled first, at the current fake time.
    template <class Pred>
    void Run(Pred done, int maxSteps = 100000) {
        for (int i = 0; i < maxSteps && !done(); ++i) {
            if (onCycleDone && cycleDone.Take()) {
                onCycleDone(now);
                continue;
            }
            const auto next = timers.Next();
            if (!next) return;
            if (static_cast<int32_t>(next->second - now) > 0) now = next->second;
            dispatch.Fire(next->first, now);
        }
    }
};

}  // namespace vmf::test
