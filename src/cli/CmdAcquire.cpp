// varnello-cli acquire: measuring without a window on the panel's own cycle.
// Detects the heads (bench as for detect), runs --count logged cycles on the
// panel's schedule and saves the store, history included, to --out. While
// stderr is a terminal a progress line shows records, elapsed time and rate.
// Ctrl+C stops after the cycle in progress; what was recorded is still saved.
// The output is reserved for this run before anything is measured, and the
// run is journalled (AcquireKeeping): killed or cut off by a power loss,
// `recover` rebuilds the records from the journal, which is removed once the
// output file is saved. A journal that fails stops the run.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "acquire/HeadlessAcquisition.h"
#include "acquire/TickClock.h"
#include "cli/AcquireKeeping.h"
#include "cli/CliCommand.h"
#include "cli/TerminalFileWork.h"
#include "device/DeviceLibraryFactory.h"
#include "device/SimulatedDeviceLibrary.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/StoreBounds.h"
#include "store/TextFormat.h"
#if VMF_HAVE_LIVE_VIEW
#include "live/LiveServe.h"
#endif

namespace vmf::cli {
namespace {

std::atomic<bool> gStopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void OnInterrupt(int) { gStopRequested.store(true); }

struct AcquireArgs {
    std::string bench;
    int count = 1;
    std::optional<int> exposure;
    int average = 1;
    int intervalMs = 0;
    std::string method = "light";
    bool sensitivity = false;
    bool progress = false;
    bool noJournal = false;
    std::string out;
#if VMF_HAVE_LIVE_VIEW
    LiveServeOptions live;
#endif
};

int RunAcquire(const AcquireArgs& args) {
    std::string text = args.bench;
    // VMF_DLL hands VMF_BENCH to the library it names.
    if (text.empty() && !LibraryRequestedByEnvironment()) {
        if (const char* env = std::getenv("VMF_BENCH")) text = env;
    }
    std::unique_ptr<DeviceLibrary> lib;
    if (!text.empty()) {
        // A typo in the bench must not silently measure some other bench.
        std::string error;
        lib = SimulatedDeviceLibrary::FromText(text, error);
        if (!lib) {
            std::fprintf(stderr, "varnello-cli acquire: bad bench description: %s\n",
                         error.c_str());
            return kExitUsage;
        }
    } else {
        std::string note;
        lib = CreateDeviceLibrary("", note);
    }

    HeadlessAcquireOptions options;
    options.count = args.count;
    options.exposureUs = args.exposure;
    options.averageCount = args.average;
    options.intervalMs = args.intervalMs;
    options.method = args.method == "reflectance"     ? MeasuringMethod::Reflectance
                     : args.method == "transmittance" ? MeasuringMethod::Transmittance
                                                      : MeasuringMethod::LightSource;
    options.sensitivity = args.sensitivity;

#if defined(SIGXFSZ)
    // A file-size limit then fails the write (and the journal says so)
    // instead of killing the run with its records.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#if VMF_HAVE_LIVE_VIEW
    // Before the journal and the output are reserved: a refused server
    // leaves nothing behind.
    LiveServe live;
    if (!args.live.listen.empty()) {
        std::string error, notice;
        if (!live.Start(args.live, error, notice)) {
            std::fprintf(stderr, "varnello-cli acquire: %s\n", error.c_str());
            return kExitUsage;
        }
        if (!notice.empty()) std::fprintf(stderr, "varnello-cli acquire: %s\n", notice.c_str());
        if (!live.Url().empty()) std::fprintf(stderr, "live view: %s\n", live.Url().c_str());
    }
#endif
    // Refused here, before a single cycle: a second run on the same output,
    // or no journal anywhere when one was not explicitly declined.
    AcquireKeeping keeping(args.out);
    if (const auto refused = keeping.Prepare(args.noJournal)) return *refused;

    auto doc = std::make_unique<Cvarnello_mfDoc>();
    HeadlessAcquisition run(*doc, *lib, SteadyTickMs, [](uint32_t ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    });
    run.SetJournal(keeping.Journal());
#if VMF_HAVE_LIVE_VIEW
    if (!args.live.listen.empty()) run.SetHandOverObserver(live.Observer());
#endif

    const bool tty = isatty(STDERR_FILENO) == 1;
    // --progress away from a terminal: one line per record, for a watching
    // program (the crash tests).
    const bool lines = args.progress && !tty;
    auto progress = [tty, lines](int done, int total, uint32_t elapsedMs) {
        if (!tty && !lines) return;
        const double seconds = elapsedMs / 1000.0;
        const double rate = seconds > 0 ? done / seconds : 0.0;
        std::fputs(CFormat(lines ? "%d/%d records  %.1f s  %.1f records/s\n"
                                 : "\r%d/%d records  %.1f s  %.1f records/s ",
                           done, total, seconds, rate)
                       .c_str(),
                   stderr);
        std::fflush(stderr);
    };

    gStopRequested.store(false);
    auto previous = std::signal(SIGINT, OnInterrupt);
#if defined(SIGBREAK)
    // Ctrl+Break on a Windows console stops the same way as Ctrl+C.
    auto previousBreak = std::signal(SIGBREAK, OnInterrupt);
#endif
    const HeadlessAcquireResult result = run.Run(options, &gStopRequested, progress);
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
#if defined(SIGBREAK)
    std::signal(SIGBREAK, previousBreak == SIG_ERR ? SIG_DFL : previousBreak);
#endif
    if (tty) std::fputs("\n", stderr);

    if (!result.ok) {
        std::fprintf(stderr, "varnello-cli acquire: %s\n", result.error.c_str());
        keeping.Discard();  // nothing was measured: the journal holds nothing
        return kExitFailed;
    }
    return keeping.Finish(*doc, result);
}

CliCommandRegistrar registrar([](CLI::App& app) {
    auto args = std::make_shared<AcquireArgs>();
    auto* sub =
        app.add_subcommand("acquire", "Measure logged cycles on the detected heads and save them");
    sub->add_option("--bench", args->bench,
                    "simulated bench description (default: VMF_BENCH, then the library)");
    sub->add_option("--count", args->count, "records to keep per head")
        ->check(CLI::Range(1, LAST_RECORD));
    sub->add_option("--exposure", args->exposure, "exposure of every head, microseconds")
        ->check(CLI::Range(1, 100000000));
    sub->add_option("--average", args->average, "spectra averaged per record")
        ->check(CLI::Range(1, 100000));
    sub->add_option("--interval", args->intervalMs,
                    "start cycles this many ms apart (0: back to back)")
        ->check(CLI::Range(0, 86400000));
    sub->add_option("--method", args->method, "light, reflectance or transmittance")
        ->check(CLI::IsMember({"light", "reflectance", "transmittance"}));
    sub->add_flag("--sensitivity", args->sensitivity, "apply the per-channel gain");
    sub->add_flag("--progress", args->progress,
                  "show progress also when stderr is no terminal, one line per record");
    sub->add_flag("--no-journal", args->noJournal,
                  "measure without a recovery journal (otherwise a run that can make none "
                  "is refused)");
    sub->add_option("--out", args->out, "data file to write (.vqdata)")->required();
#if VMF_HAVE_LIVE_VIEW
    sub->add_option("--serve", args->live.listen,
                    "live view while measuring, on [ADDR:]PORT (no ADDR: this computer only)");
    sub->add_option("--token-file", args->live.tokenFile,
                    "file whose first line is the live view's access token (default: a new one)");
    sub->add_flag("--token-always", args->live.tokenAlways,
                  "the live view asks for the token also from this computer");
    sub->add_option("--cert", args->live.certFile, "HTTPS certificate of the live view (PEM)");
    sub->add_option("--key", args->live.keyFile, "its private key (PEM)");
#endif
    return [args] { return RunAcquire(*args); };
});

}  // namespace
}  // namespace vmf::cli
