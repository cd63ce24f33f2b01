// varnello-cli colour: every colour value of one record of a data file, or of
// a spectrum given as "wavelength,value" rows, as one JSON object on stdout.
// A value that cannot be given is an object {"refused": code} instead of a
// number, so a script never mistakes a refusal for a result.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/CliCommand.h"
#include "cli/RecordInput.h"
#include "spectrum/ColourRecord.h"
#include "spectrum/ColourText.h"
#include "spectrum/SpectrumPairs.h"
#include "store/BoundedText.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/TextFormat.h"

namespace vmf::cli {
namespace {

using Json = nlohmann::ordered_json;

// Rows 1 to 10 nm apart over any range of wavelengths fit many times over.
constexpr std::size_t kSpectrumTextLimit = 4u << 20;

struct ColourArgs {
    std::string file;
    std::string spectrum;
    int head = 0;
    int record = 0;
    std::string method = "light";
    bool sensitivity = false;
    bool sample = false;
    std::string illuminant = "D65";
    std::string compare;
    int compareHead = 0;
    int compareRecord = 0;
};

Json Refused(ColourRefusal r) { return Json{{"refused", ColourRefusalCode(r)}}; }

Json Number(ColourRefusal r, double v) { return r == ColourRefusal::None ? Json(v) : Refused(r); }

Json ValuesJson(const ColourValues& v) {
    Json o;
    o["kind"] = v.sample ? "sample" : "light-source";
    if (v.sample) o["illuminant"] = v.illuminant == SampleIlluminant::D50 ? "D50" : "D65";
    // Computed all the same: the flag only says the values deserve a look.
    if (v.outOfRange) o["outOfRange"] = true;
    if (v.refusal != ColourRefusal::None) o["refused"] = ColourRefusalCode(v.refusal);
    const ColourRefusal r = v.refusal;
    o["X"] = Number(r, v.xyz.X);
    o["Y"] = Number(r, v.xyz.Y);
    o["Z"] = Number(r, v.xyz.Z);
    o["x"] = Number(r, v.chroma.x);
    o["y"] = Number(r, v.chroma.y);
    o["u"] = Number(r, v.chroma.u);
    o["v"] = Number(r, v.chroma.v);
    o["uPrime"] = Number(r, v.chroma.up);
    o["vPrime"] = Number(r, v.chroma.vp);
    if (v.sample) {
        o["L"] = Number(r, v.lab.L);
        o["a"] = Number(r, v.lab.a);
        o["b"] = Number(r, v.lab.b);
        o["C"] = Number(r, v.lch.C);
        o["h"] = Number(r, v.lch.h);
    } else {
        o["cct"] = Number(v.cctRefusal, v.cct);
        o["duv"] = Number(v.cctRefusal, v.duv);
        o["Ra"] = Number(v.criRefusal, v.ra);
        if (v.criRefusal == ColourRefusal::None) {
            Json list = Json::array();
            for (double x : v.r) list.push_back(x);
            o["R"] = list;
            o["dc"] = v.dc;
            o["dcWithinLimit"] = v.dc <= CRI_DC_LIMIT;
        } else {
            o["R"] = Refused(v.criRefusal);
        }
    }
    o["dominantNm"] = Number(v.dominantRefusal, v.dominant.nm);
    o["complementary"] = v.dominantRefusal == ColourRefusal::None && v.dominant.complementary;
    if (v.dominantRefusal == ColourRefusal::None && v.dominant.locusEnd) o["locusEnd"] = true;
    o["purity"] = Number(v.dominantRefusal, v.dominant.purity);
    o["peakNm"] = Number(v.shapeRefusal, v.shape.peakNm);
    o["centroidNm"] = Number(v.shapeRefusal, v.shape.centroidNm);
    o["fwhmNm"] = Number(v.fwhmRefusal, v.shape.fwhmNm);
    return o;
}

int RunSpectrum(const ColourArgs& args, const SampleIlluminant illuminant) {
    std::string text, error;
    if (!ReadBoundedText(args.spectrum, kSpectrumTextLimit, text, error)) {
        std::fprintf(stderr, "cannot read %s: %s\n", args.spectrum.c_str(), error.c_str());
        return kExitFailed;
    }
    ColourInput input;
    if (!ParseSpectrumPairs(text, input, error)) {
        std::fprintf(stderr, "%s: %s\n", args.spectrum.c_str(), error.c_str());
        return kExitFailed;
    }
    const ColourValues v =
        args.sample ? SampleValuesOf(input, illuminant) : LightSourceValuesOf(input);
    Json out;
    out["spectrum"] = args.spectrum;
    out["fromNm"] = input.firstNm;
    out["toNm"] = input.LastNm();
    if (v.refusal == ColourRefusal::NotCovered)
        out["message"] =
            CFormat("the spectrum covers %d-%d nm; CIE values need %d-%d nm", input.firstNm,
                    input.LastNm(), CIE_NEEDED_FROM_NM, CIE_NEEDED_TO_NM);
    out["values"] = ValuesJson(v);
    std::printf("%s\n", out.dump(2).c_str());
    return kExitOk;
}

int RunFile(const ColourArgs& args, const SampleIlluminant illuminant) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    const int a = args.head, r = args.record;
    if (!LoadDataFile(args.file, *doc, "colour") || !CheckRecord(*doc, a, r)) return kExitFailed;
    std::unique_ptr<Cvarnello_mfDoc> compare;
    if (!args.compare.empty()) {
        compare = std::make_unique<Cvarnello_mfDoc>();
        if (!LoadDataFile(args.compare, *compare, "colour")) return kExitFailed;
    }

    const ProcessingOptions opt{MethodOf(args.method), args.sensitivity};
    const auto ws = ProcessLikePanel(*doc, a, r, opt);

    ColourRequest q;
    q.doc = doc.get();
    q.ws = ws.get();
    q.head = a;
    q.record = r;
    q.method = opt.method;
    q.illuminant = illuminant;
    q.compare = compare.get();
    q.compareHead = args.compareHead;
    q.compareRecord = args.compareRecord;
    const RecordColour rc = ColourOfDisplayed(q);

    Json out;
    out["file"] = args.file;
    out["head"] = a;
    out["record"] = r;
    out["method"] = args.method;
    out["values"] = ValuesJson(rc.shown);
    if (rc.hasComparison) {
        out["compare"] = {
            {"file", args.compare}, {"head", args.compareHead}, {"record", args.compareRecord}};
        out["comparison"] = ValuesJson(rc.comparison);
        const ColourDifference& d = rc.difference;
        if (rc.shown.sample) {
            out["deltaEab"] = Number(d.refusal, d.deltaEab);
            out["deltaE00"] = Number(d.refusal, d.deltaE00);
        } else {
            out["deltaUvPrime"] = Number(d.refusal, d.deltaUvPrime);
        }
    }
    std::printf("%s\n", out.dump(2).c_str());
    return kExitOk;
}

int RunColour(const ColourArgs& args) {
    if (args.file.empty() == args.spectrum.empty()) {
        std::fprintf(stderr, "give either a data file or --spectrum CSV\n");
        return kExitUsage;
    }
    const SampleIlluminant illuminant =
        args.illuminant == "D50" ? SampleIlluminant::D50 : SampleIlluminant::D65;
    return args.spectrum.empty() ? RunFile(args, illuminant) : RunSpectrum(args, illuminant);
}

const CliCommandRegistrar registrar{[](CLI::App& app) -> std::function<int()> {
    auto args = std::make_shared<ColourArgs>();
    CLI::App* cmd = app.add_subcommand(
        "colour", "CCT, Duv, colour rendering, CIELAB and colour differences of one spectrum");
    cmd->add_option("FILE", args->file, "data file (.vqdata)");
    cmd->footer(kNumberingHelp);
    cmd->add_option("--spectrum", args->spectrum,
                    "CSV of wavelength,value rows (1 to 10 nm apart)");
    cmd->add_option("--head", args->head, "head slot, 0-based")->capture_default_str();
    cmd->add_option("--record", args->record, "record, 0-based")->capture_default_str();
    cmd->add_option("--method", args->method, "measuring method of the data file")
        ->check(CLI::IsMember({"light", "reflectance", "transmittance"}))
        ->capture_default_str();
    cmd->add_flag("--sensitivity", args->sensitivity, "apply the per-channel gain");
    cmd->add_flag("--sample", args->sample,
                  "the --spectrum values are a reflectance or transmittance in percent");
    cmd->add_option("--illuminant", args->illuminant, "illuminant of the sample values")
        ->check(CLI::IsMember({"D65", "D50"}))
        ->capture_default_str();
    cmd->add_option("--compare", args->compare, "comparison data file");
    cmd->add_option("--compare-head", args->compareHead, "comparison head slot, 0-based")
        ->capture_default_str();
    cmd->add_option("--compare-record", args->compareRecord, "comparison record, 0-based")
        ->capture_default_str();
    return [args] { return RunColour(*args); };
}};

}  // namespace
}  // namespace vmf::cli
