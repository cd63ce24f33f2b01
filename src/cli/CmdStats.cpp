// varnello-cli stats: the panel's info lines for one record of a data file,
// with the numbers behind them, as one JSON object on stdout.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/CliCommand.h"
#include "cli/RecordInput.h"
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextFormat.h"

namespace vmf::cli {
namespace {

struct StatsArgs {
    std::string file;
    int head = 0;
    int record = 0;
    std::string method = "light";
    bool sensitivity = false;
    int graphMax = 8192;
};

// The shortest decimal that reads back as the same float, as a JSON number
// (JSON printing of the widened double would show float noise digits).
nlohmann::ordered_json FloatValue(float v) {
    if (v != v || v - v != 0.0f) return nullptr;  // NaN or infinity has no JSON number
    std::string text;
    for (int digits = 1; digits <= 9; ++digits) {
        text = CFormat("%.*g", digits, static_cast<double>(v));
        if (std::strtof(text.c_str(), nullptr) == v) break;
    }
    return std::strtod(text.c_str(), nullptr);
}

int RunStats(const StatsArgs& args) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    const int a = args.head;
    const int r = args.record;
    if (!LoadDataFile(args.file, *doc, "stats") || !CheckRecord(*doc, a, r)) return kExitFailed;
    const ProcessingOptions opt{MethodOf(args.method), args.sensitivity};
    const auto ws = ProcessLikePanel(*doc, a, r, opt);
    const std::string statisticsLine =
        ws->UpdateInfoBarText(*doc, a, DISPLAY_KIND_STATISTICS, r, args.graphMax);
    const std::string colourLine =
        ws->UpdateInfoBarText(*doc, a, DISPLAY_KIND_CIE, r, args.graphMax);

    const HeadStatistics& st = ws->statistics[a];
    const HeadColour& c = ws->colour[a];
    nlohmann::ordered_json out;
    out["statisticsLine"] = statisticsLine;
    out["colourLine"] = colourLine;
    out["average"] = FloatValue(st.average);
    out["minimum"] = FloatValue(st.minimum);
    out["minimumNm"] = FloatValue(st.minimumNm);
    out["maximum"] = FloatValue(st.maximum);
    out["maximumNm"] = FloatValue(st.maximumNm);
    out["x"] = FloatValue(c.x);
    out["y"] = FloatValue(c.y);
    out["z"] = FloatValue(c.z);
    out["R"] = FloatValue(c.R);
    out["G"] = FloatValue(c.G);
    out["B"] = FloatValue(c.B);
    std::printf("%s\n", out.dump(2).c_str());
    return kExitOk;
}

const CliCommandRegistrar registrar{[](CLI::App& app) -> std::function<int()> {
    auto args = std::make_shared<StatsArgs>();
    CLI::App* cmd = app.add_subcommand(
        "stats", "Statistics and colour values of one record, as the panel shows them");
    cmd->add_option("FILE", args->file, "data file (.vqdata)")->required();
    cmd->footer(kNumberingHelp);
    cmd->add_option("--head", args->head, "head slot, 0-based")->required();
    cmd->add_option("--record", args->record, "record, 0-based")->required();
    cmd->add_option("--method", args->method, "measuring method")
        ->check(CLI::IsMember({"light", "reflectance", "transmittance"}))
        ->capture_default_str();
    cmd->add_flag("--sensitivity", args->sensitivity, "apply the per-channel gain");
    cmd->add_option("--graph-max", args->graphMax, "upper limit of the count axis")
        ->capture_default_str();
    return [args] { return RunStats(*args); };
}};

}  // namespace
}  // namespace vmf::cli
