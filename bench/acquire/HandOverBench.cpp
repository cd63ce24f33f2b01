// Back-to-back logged measuring on the real panel (offscreen), the simulated
// bench at time scale 1, averaging 1: the period of a cycle and the panel
// thread's share of it.
//
// Each benchmark detects its heads, times the reads of one cycle directly
// (every head's spectrum and temperature, as the worker makes them: the
// baseline "device_ms" of the same run), then presses Start with logging on
// and times the hand-overs by the record-count field's text. It reports:
// - period_ms: wall time per kept record over the measured stretch;
// - bound_ms = device_ms + 1 and ratio = period_ms / bound_ms (at most 1:
//   the program adds no more than 1 ms to what the heads take);
// - gui_ms: CPU time of the panel's thread per cycle (hand-over, paced
//   redraws, widget repaints, timers), and gui_share = gui_ms / period_ms,
//   to stay below 0.2 at the fastest rate.

#include <benchmark/benchmark.h>
#include <time.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <chrono>
#include <memory>
#include <string>

#include "common/FixedAnswerDialogs.h"
#include "device/SimulatedDeviceLibrary.h"
#include "panel/Cvarnello_mfView.h"
#include "panel/PanelControls.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double WallMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string BenchText(int heads) {
    std::string text;
    for (int d = 0; d < heads; ++d)
        text += std::to_string(d) + ":head:SN00000" + std::to_string(d) + ";";
    return text + "scene=halogen;timescale=1";
}

template <class T>
T* Find(Cvarnello_mfView& view, int id) {
    return qobject_cast<T*>(view.Control(id));
}

// Runs the event loop until the record count reaches `target` (or 20 s).
void RunUntil(Cvarnello_mfDoc& doc, QLineEdit* countField, int target) {
    if (doc.recordCount[0] >= target) return;
    QEventLoop loop;
    auto c = QObject::connect(countField, &QLineEdit::textChanged, &loop, [&] {
        if (doc.recordCount[0] >= target) loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c);
}

void BackToBack(benchmark::State& state, int heads, int exposureUs) {
    std::string error;
    auto lib = SimulatedDeviceLibrary::FromText(BenchText(heads), error);
    if (!lib) {
        state.SkipWithError(error.c_str());
        return;
    }
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    FixedAnswerDialogs dialogs(true);
    ViewContext ctx;
    ctx.doc = doc.get();
    ctx.devices = lib.get();
    ctx.dialogs = &dialogs;
    auto view = std::make_unique<Cvarnello_mfView>(ctx);
    view->resize(810, 640);
    view->OnInitialUpdate();
    view->show();
    Find<QAbstractButton>(*view, ctl::Detect)->click();
    if (doc->headCount != heads) {
        state.SkipWithError("detection found the wrong number of heads");
        return;
    }
    for (int a = 0; a < heads; ++a) doc->exposureUs[a] = exposureUs;
    Find<QLineEdit>(*view, ctl::ExposureEdit)->setText(QString::number(exposureUs));
    Find<QAbstractButton>(*view, ctl::Logging)->click();
    auto* countField = Find<QLineEdit>(*view, ctl::RecordCountEdit);

    // Baseline: one cycle's device calls, directly.
    for (int d = 0; d < heads; ++d) lib->DevSetExposure(DeviceNumber(d), exposureUs);
    const int rounds = exposureUs >= 50000 ? 4 : 20;
    int16_t counts[MAX_CHANNELS];
    const double b0 = WallMs();
    for (int i = 0; i < rounds; ++i)
        for (int a = 0; a < heads; ++a) {
            lib->DevReadSpectrum(HeadSlot(a), counts);
            int16_t t;
            lib->DevGetTemperature(DeviceNumber(a), &t);
        }
    const double deviceMs = (WallMs() - b0) / rounds;

    // About two seconds of cycles after a short settling stretch.
    const int cycles = std::max(20, static_cast<int>(2000.0 / deviceMs));
    double periodMs = 0, guiMs = 0;
    for (auto _ : state) {
        Find<QAbstractButton>(*view, ctl::Start)->click();
        RunUntil(*doc, countField, 5);
        const int first = doc->recordCount[0];
        const double w0 = WallMs(), c0 = ThreadCpuMs();
        RunUntil(*doc, countField, first + cycles);
        const double w1 = WallMs(), c1 = ThreadCpuMs();
        const int kept = doc->recordCount[0] - first;
        Find<QAbstractButton>(*view, ctl::Start)->click();
        QEventLoop settle;
        QTimer::singleShot(std::max(100, 3 * static_cast<int>(deviceMs)), &settle,
                           &QEventLoop::quit);
        settle.exec();
        if (kept < 1) {
            state.SkipWithError("no cycle was kept");
            break;
        }
        periodMs = (w1 - w0) / kept;
        guiMs = (c1 - c0) / kept;
    }
    state.counters["device_ms"] = deviceMs;
    state.counters["period_ms"] = periodMs;
    state.counters["bound_ms"] = deviceMs + 1.0;
    state.counters["ratio"] = periodMs / (deviceMs + 1.0);
    state.counters["gui_ms"] = guiMs;
    state.counters["gui_share"] = guiMs / periodMs;
}

void BM_BackToBack_TwoHeads_1ms(benchmark::State& s) { BackToBack(s, 2, 1000); }
void BM_BackToBack_TwoHeads_5ms(benchmark::State& s) { BackToBack(s, 2, 5000); }
void BM_BackToBack_TwoHeads_50ms(benchmark::State& s) { BackToBack(s, 2, 50000); }
void BM_BackToBack_TenHeads_5ms(benchmark::State& s) { BackToBack(s, 10, 5000); }

BENCHMARK(BM_BackToBack_TwoHeads_1ms)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BackToBack_TwoHeads_5ms)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BackToBack_TwoHeads_50ms)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BackToBack_TenHeads_5ms)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace vmf

int main(int argc, char** argv) {
    // The panel needs a window system; the offscreen one does for a benchmark.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
