// varnello-cli trend: every value of the trend window for every record of a
// data file (or of one head), as CSV or as JSON on stdout.

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/CliCommand.h"
#include "cli/RecordInput.h"
#include "csv/CsvFileSink.h"
#include "spectrum/RecordTrend.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/RecordTime.h"
#include "store/TextFormat.h"

namespace vmf::cli {
namespace {

struct TrendArgs {
    std::string file;
    std::optional<int> head;  // every head without it
    std::string csv;
    bool json = false;
    int graphMax = 8192;
};

// Digits per value in the CSV: those of the info line for counts and
// temperatures, enough for chromaticity and Duv.
const char* CsvFormat(TrendValue v) {
    switch (v) {
        case TrendValue::PeakNm:
        case TrendValue::Exposure:
        case TrendValue::Cct:
            return "%.0f,";
        case TrendValue::InfoCieX:
        case TrendValue::InfoCieY:
        case TrendValue::Duv:
            return "%.5f,";
        default:
            return "%.1f,";
    }
}

void AppendCsv(std::string& out, int a, const TrendPoint& p, bool times) {
    CFormatAppend(out, "%d,%d,", a, p.record);
    if (times) out += FormatRecordTime(p.utcMs, p.utcOffsetS) + ",";
    for (const TrendValueInfo& info : TrendValues()) {
        const double v = p[info.value];
        // An empty cell, as JSON's null: the value cannot be given.
        if (!std::isfinite(v))
            out += ",";
        else
            CFormatAppend(out, CsvFormat(info.value), v);
    }
    out += "\r\n";
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return kExitFailed;
}

int RunTrend(const TrendArgs& args) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    if (!LoadDataFile(args.file, *doc, "trend")) return kExitFailed;
    int first = 0;
    int last = doc->headCount - 1;
    if (args.head) {
        if (*args.head < 0 || *args.head >= doc->headCount)
            return Fail("head " + std::to_string(*args.head) + " is out of range: the file has " +
                        std::to_string(doc->headCount) + " heads");
        first = last = *args.head;
    }
    const bool times = doc->HasRecordTimes();
    TrendOptions options;
    options.graphMax = args.graphMax;
    options.colour = options.ra = true;

    if (!args.csv.empty()) {
        std::string out = "head,record,";
        if (times) out += "time,";
        for (const TrendValueInfo& info : TrendValues()) out += std::string(info.key) + ",";
        out += "\r\n";
        for (int a = first; a <= last; ++a)
            for (const TrendPoint& p : ComputeHeadTrend(*doc, a, options))
                AppendCsv(out, a, p, times);
        CsvFileSink sink;
        std::string reason;
        if (!sink.Open(args.csv, reason) || !sink.Append(out.data(), out.size(), reason) ||
            !sink.Commit(reason))
            return Fail(CsvSaveFailedText(args.csv, reason));
    }
    if (args.json) {
        nlohmann::ordered_json heads = nlohmann::ordered_json::array();
        for (int a = first; a <= last; ++a) {
            nlohmann::ordered_json points = nlohmann::ordered_json::array();
            for (const TrendPoint& p : ComputeHeadTrend(*doc, a, options)) {
                nlohmann::ordered_json j;
                j["record"] = p.record;
                if (p.utcMs != 0) {
                    j["utcMs"] = p.utcMs;
                    j["time"] = FormatRecordTime(p.utcMs, p.utcOffsetS);
                }
                for (const TrendValueInfo& info : TrendValues()) {
                    const double v = p[info.value];
                    j[info.key] =
                        std::isfinite(v) ? nlohmann::ordered_json(v) : nlohmann::ordered_json();
                }
                points.push_back(std::move(j));
            }
            nlohmann::ordered_json h;
            h["head"] = a;
            h["points"] = std::move(points);
            heads.push_back(std::move(h));
        }
        nlohmann::ordered_json out;
        out["heads"] = std::move(heads);
        std::printf("%s\n", out.dump().c_str());
    }
    return kExitOk;
}

const CliCommandRegistrar registrar{[](CLI::App& app) -> std::function<int()> {
    auto args = std::make_shared<TrendArgs>();
    CLI::App* cmd = app.add_subcommand(
        "trend", "Peak, statistics, temperature, exposure and colour values of every record");
    cmd->add_option("FILE", args->file, "data file (.vqdata)")->required();
    cmd->add_option("--head", args->head, "head slot, 0-based (every head without it)");
    CLI::Option* csv =
        cmd->add_option("--csv", args->csv, "CSV file to write (replaced when it exists)");
    CLI::Option* json = cmd->add_flag("--json", args->json, "JSON on stdout");
    cmd->add_option("--graph-max", args->graphMax, "upper limit of the count axis")
        ->capture_default_str();
    cmd->footer(std::string(kNumberingHelp) +
                "\ninfoCieX, infoCieY: 情報行の色度 (5 nm 間隔の等色関数表、単精度)。"
                "colour の x, y は 1 nm 間隔の表によります。");
    cmd->callback([csv, json] {
        if (csv->count() + json->count() == 0) throw CLI::RequiredError("--csv or --json");
    });
    return [args] { return RunTrend(*args); };
}};

}  // namespace
}  // namespace vmf::cli
