// varnello-cli info FILE [--records]: every field a data file carries, as one
// JSON object on stdout, with the store's own field names. Strings are shown in
// UTF-8; floats as the shortest decimal that reads back as the same float.

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/CliCommand.h"
#include "cli/RecordInput.h"
#include "cli/TerminalFileWork.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/RecordTime.h"
#include "store/TextCodec.h"

namespace vmf::cli {
namespace {

using Json = nlohmann::ordered_json;

struct InfoArgs {
    std::string file;
    bool records = false;
};

// Printing the widened double would show float noise digits (0.1f as
// 0.10000000149011612); the shortest float text parsed as a double prints
// back as that same text and reads back as the same float. JSON has no
// number for NaN or infinity, so those become the strings "NaN",
// "Infinity" and "-Infinity".
Json FloatValue(float v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    double d = static_cast<double>(v);
    if (ec == std::errc()) std::from_chars(text, end, d);
    return d;
}

Json DoubleValue(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    return v;
}

Json Floats(const float* values, int n) {
    Json out = Json::array();
    for (int i = 0; i < n; ++i) out.push_back(FloatValue(values[i]));
    return out;
}

std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

Json HeadObject(const Cvarnello_mfDoc& doc, int a) {
    const int c = doc.channelCount[a];
    Json head;
    head["channelCount"] = c;
    head["headKind"] = Cp932ToUtf8(doc.headKind[a]);
    head["serialNo"] = Cp932ToUtf8(doc.serialNo[a]);
    head["exposureUs"] = doc.exposureUs[a];
    Json poly = Json::array();
    for (double coeff : doc.wavePoly[a]) poly.push_back(DoubleValue(coeff));
    head["wavePoly"] = poly;
    Json dark = Json::array();
    for (const auto& step : doc.darkTable[a]) dark.push_back(Floats(step.data(), c));
    head["darkTable"] = dark;
    head["wavelengthNm"] = Floats(doc.wavelengthNm[a].data(), c);
    head["gain"] = Floats(doc.gain[a].data(), c + 1);
    head["whiteRef"] = Floats(doc.whiteRef[a].data(), c + 1);
    head["transRef"] = Floats(doc.transRef[a].data(), c + 1);
    head["recordCount"] = doc.recordCount[a];
    return head;
}

// One head, with its records streamed one by one: a full file holds 50
// million spectrum values, too many to build as one JSON tree.
void PrintHead(std::FILE* out, const Cvarnello_mfDoc& doc, int a, bool records) {
    std::string text = Dump(HeadObject(doc, a));
    if (!records) {
        std::fwrite(text.data(), 1, text.size(), out);
        return;
    }
    text.pop_back();  // the closing brace; the records go in before it
    text += ",\"records\":[";
    std::fwrite(text.data(), 1, text.size(), out);
    const int c = doc.channelCount[a];
    for (int r = 0; r < doc.recordCount[a]; ++r) {
        Json rec;
        rec["recExposureUs"] = doc.recExposureUs(a, r);
        rec["recTemperatureC"] = FloatValue(doc.recTemperatureC(a, r));
        if (const int64_t ms = doc.recTimeUtcMs(a, r); ms != 0) {
            rec["utcMs"] = ms;
            rec["utcOffsetS"] = doc.recUtcOffsetS(a, r);
            rec["time"] = FormatRecordTime(ms, doc.recUtcOffsetS(a, r));
        }
        rec["recRaw"] = doc.recRaw(a, r) ? Floats(doc.recRaw(a, r), c) : Json::array();
        rec["recProcessed"] =
            doc.recProcessed(a, r) ? Floats(doc.recProcessed(a, r), c) : Json::array();
        std::string one = (r ? "," : "") + Dump(rec);
        std::fwrite(one.data(), 1, one.size(), out);
    }
    std::fputs("]}", out);
}

int RunInfo(const InfoArgs& args) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    std::string error, notice;
    if (!LoadDataFile(*doc, args.file, error, notice)) {
        std::fprintf(stderr, "varnello-cli info: %s\n", error.c_str());
        return kExitFailed;
    }
    TellLoadNotice("info", notice);
    std::FILE* out = stdout;
    std::fprintf(out, "{\"headCount\":%d,\"heads\":[", static_cast<int>(doc->headCount));
    for (int a = 0; a < doc->headCount; ++a) {
        if (a) std::fputc(',', out);
        PrintHead(out, *doc, a, args.records);
    }
    Json leds = Json::array();
    for (int j = 0; j < doc->ledDriverCount; ++j) {
        Json led;
        led["ledChannelCount"] = doc->ledChannelCount[j];
        Json values = Json::array();
        for (int k = 0; k < doc->ledChannelCount[j]; ++k) values.push_back(doc->ledValue[j][k]);
        led["ledValue"] = values;
        leds.push_back(led);
    }
    std::string tail = "],\"ledDriverCount\":" + std::to_string(doc->ledDriverCount) +
                       ",\"ledDrivers\":" + Dump(leds) +
                       ",\"historyText\":" + Dump(Json(Cp932ToUtf8(doc->historyText))) + "}\n";
    std::fwrite(tail.data(), 1, tail.size(), out);
    if (std::fflush(out) != 0) {
        std::fprintf(stderr, "varnello-cli info: could not write the output\n");
        return kExitFailed;
    }
    return kExitOk;
}

const CliCommandRegistrar registrar([](CLI::App& app) -> std::function<int()> {
    auto args = std::make_shared<InfoArgs>();
    CLI::App* sub =
        app.add_subcommand("info", "Print every field of a data file (.vqdata) as JSON");
    sub->add_option("file", args->file, "data file to read")->required();
    sub->footer(kNumberingHelp);
    sub->add_flag("--records", args->records, "also print every record of every head");
    return [args] { return RunInfo(*args); };
});

}  // namespace
}  // namespace vmf::cli
