// varnello-cli detect [--bench TEXT]: runs detection on the simulated bench
// (TEXT, else the library VMF_DLL names, else VMF_BENCH, else the real
// library where there is one, else the default bench) and prints one JSON
// object: the route ("library", the status bar's words), the devices by
// number with kind and label, the heads by slot with serial, exposure and
// wavelength coefficients.

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/CliCommand.h"
#include "common/FixedAnswerDialogs.h"
#include "device/BenchDescription.h"
#include "device/Detection.h"
#include "device/DeviceLibraryFactory.h"
#include "device/SimulatedDeviceLibrary.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextCodec.h"

namespace vmf::cli {
namespace {

using Json = nlohmann::ordered_json;

Json Coefficient(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    return v;
}

Json DeviceObject(const DetectedDevice& d) {
    Json j;
    j["number"] = d.number.value;
    j["kind"] = d.kind;
    j["label"] = d.label.empty() ? Json(nullptr) : Json(d.label);
    return j;
}

int RunDetect(const std::string& benchOption) {
    std::string text = benchOption;
    // VMF_DLL hands VMF_BENCH to the library it names.
    if (text.empty() && !LibraryRequestedByEnvironment()) {
        if (const char* env = std::getenv("VMF_BENCH")) text = env;
    }
    std::unique_ptr<DeviceLibrary> lib;
    std::string note;
    if (!text.empty()) {
        // A typo in the bench must not silently run some other bench.
        std::string error;
        lib = SimulatedDeviceLibrary::FromText(text, error);
        if (!lib) {
            std::fprintf(stderr, "varnello-cli detect: bad bench description: %s\n", error.c_str());
            return kExitUsage;
        }
        note = kNoteSimulated;
    } else {
        lib = CreateDeviceLibrary("", note);
    }

    auto doc = std::make_unique<Cvarnello_mfDoc>();
    FixedAnswerDialogs dialogs(true);  // without a window the answer is OK
    DetectionOutcome out = Detect(*doc, *lib, dialogs, {}, std::time(nullptr));

    Json result;
    result["library"] = note;
    Json devices = Json::array();
    for (const auto& d : out.devices) devices.push_back(DeviceObject(d));
    result["devices"] = devices;
    Json ignored = Json::array();
    for (const auto& d : out.ignored) ignored.push_back(DeviceObject(d));
    result["ignored"] = ignored;
    Json heads = Json::array();
    for (int k = 0; k < doc->headCount; ++k) {
        Json h;
        h["slot"] = k;
        h["device"] = out.headDevice[k].value;
        h["serial"] = Cp932ToUtf8(doc->serialNo[k]);
        h["exposureUs"] = doc->exposureUs[k];
        Json poly = Json::array();
        for (double c : doc->wavePoly[k]) poly.push_back(Coefficient(c));
        h["wavePoly"] = poly;
        heads.push_back(h);
    }
    result["heads"] = heads;
    result["ledDriverCount"] = doc->ledDriverCount;
    result["mirrorDevice"] = out.mirrorDevice ? Json(out.mirrorDevice->value) : Json(nullptr);
    Json failed = Json::array();
    for (auto d : out.failedHeads) failed.push_back(d.value);
    result["failedHeads"] = failed;
    result["title"] = doc->title;
    std::string dump = result.dump(2, ' ', false, Json::error_handler_t::replace);
    std::fwrite(dump.data(), 1, dump.size(), stdout);
    std::fputc('\n', stdout);
    return kExitOk;
}

const CliCommandRegistrar registrar([](CLI::App& app) -> std::function<int()> {
    auto bench = std::make_shared<std::string>();
    CLI::App* sub =
        app.add_subcommand("detect", "Detect the attached devices and print them as JSON");
    sub->add_option("--bench", *bench,
                    "Simulated bench description, e.g. \"0:head:SN000001;2:led16;3:mirror\"");
    return [bench] { return RunDetect(*bench); };
});

}  // namespace
}  // namespace vmf::cli
