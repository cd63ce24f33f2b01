// varnello-cli export: writes the CSV file the panel's CSV command would
// write for a data file, with the same preparation of every record (dark
// model of each head, references, measuring method, sensitivity option);
// or, with --hdf5, the whole store as one HDF5 file, values as stored.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/CliCommand.h"
#include "cli/TerminalFileWork.h"
#include "common/DocumentNaming.h"
#include "csv/CsvDialogRules.h"
#include "csv/CsvFileSink.h"
#include "csv/CsvWriter.h"
#if VMF_HAVE_HDF5
#include "hdf5/Hdf5Export.h"
#endif
#include "spectrum/SpectrumWorkspace.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf::cli {
namespace {

// Defaults are those of the settings on a first run.
struct ExportArgs {
    std::string file;
    std::string csv;
    std::string hdf5;
    int compress = 0;
    int head = 0;
    int target = CSV_TARGET_PROCESSED;
    int first = 0;
    std::optional<int> end;  // default: the head's record counter
    int startNm = 340;
    int endNm = 850;
    int stepNm = 10;
    bool horizontal = false;
    bool noTemp = false;
    bool noExposure = false;
    bool noLabels = false;
    bool time = false;
    std::string method = "light";
    bool sensitivity = false;
};

MeasuringMethod MethodOf(const std::string& name) {
    if (name == "reflectance") return MeasuringMethod::Reflectance;
    if (name == "transmittance") return MeasuringMethod::Transmittance;
    return MeasuringMethod::LightSource;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return kExitFailed;
}

int RunExport(const ExportArgs& args) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    std::string error;
    if (!LoadDataFile(*doc, args.file, error))
        return Fail(error.empty() ? "cannot read " + args.file : error);
#if VMF_HAVE_HDF5
    if (!args.hdf5.empty()) {
        bool written = false;
        TerminalFileWork work;
        work.Run(FileJobCaption(kWritingCaption, FileNameOf(args.hdf5)),
                 [&](FileProgress& progress) {
                     Hdf5ExportOptions options{args.compress};
                     options.progress = &progress;
                     written = ExportHdf5(*doc, args.hdf5, options, error);
                 });
        return written ? kExitOk : Fail(error);
    }
#endif
    const int a = args.head;
    if (a < 0 || a >= doc->headCount)
        return Fail("head " + std::to_string(a) + " is out of range: the file has " +
                    std::to_string(doc->headCount) + " head(s)");
    if (args.target < 0 || args.target >= CSV_TARGET_COUNT)
        return Fail("target " + std::to_string(args.target) + " is not one of 0..3");
    if (CsvStepRefusal(args.stepNm)) return Fail("--step-nm must be at least 1");
    const int count = doc->recordCount[a];
    const int end = args.end.value_or(count);
    const bool reference = args.target == CSV_TARGET_WHITE || args.target == CSV_TARGET_TRANS;
    if (!reference && (args.first < 0 || args.first > end || end > count))
        return Fail("record range " + std::to_string(args.first) + ".." + std::to_string(end) +
                    " is not within 0.." + std::to_string(count) + " of head " + std::to_string(a));
    // The options dialog forces the wavelengths into the grid the same way.
    int startNm = args.startNm, endNm = args.endNm;
    ClampCsvWavelengths(startNm, endNm);

    // As the panel does for a loaded document: every head's dark model first.
    auto ws = std::make_unique<SpectrumWorkspace>();
    for (int h = 0; h < doc->headCount; ++h) ws->DeriveDarkModel(*doc, h);
    CsvWriter writer(*doc, *ws, ProcessingOptions{MethodOf(args.method), args.sensitivity},
                     args.target);
    CsvRequest request{
        args.first,       end,     a,     !args.noTemp, !args.noLabels, !args.noExposure,
        !args.horizontal, startNm, endNm, args.stepNm,  args.time};
    std::string reason;
    bool written = false;
    TerminalFileWork work;
    work.Run(FileJobCaption(kWritingCaption, FileNameOf(args.csv)), [&](FileProgress& progress) {
        writer.SetProgress(&progress);
        CsvFileSink file;
        written = writer.Check(request, reason) && file.Open(args.csv, reason) &&
                  writer.Write(file, request, reason) && file.Commit(reason);
    });
    if (!written) return Fail(CsvSaveFailedText(args.csv, reason));
    return kExitOk;
}

const CliCommandRegistrar registrar{[](CLI::App& app) -> std::function<int()> {
    auto args = std::make_shared<ExportArgs>();
    CLI::App* cmd = app.add_subcommand(
        "export", "Write records or a reference of one head as the panel's CSV file");
    cmd->add_option("FILE", args->file, "data file (.vqdata)")->required();
    CLI::Option* csv =
        cmd->add_option("--csv", args->csv, "CSV file to write (replaced when it exists)");
#if VMF_HAVE_HDF5
    CLI::Option* hdf5 =
        cmd->add_option("--hdf5", args->hdf5,
                        "HDF5 file to write instead: the whole store (replaced when it exists)");
    csv->excludes(hdf5);
    cmd->add_option("--compress", args->compress,
                    "with --hdf5: deflate level of the spectra, 0 (none) to 9")
        ->check(CLI::Range(0, 9))
        ->capture_default_str();
    cmd->callback([csv, hdf5] {
        if (csv->count() + hdf5->count() == 0) throw CLI::RequiredError("--csv or --hdf5");
    });
#else
    csv->required();
#endif
    cmd->add_option("--head", args->head, "head slot")->capture_default_str();
    cmd->add_option(
           "--target", args->target,
           "0 processed spectra, 1 reflectance/transmittance, 2 white reference, 3 100% reference")
        ->capture_default_str();
    cmd->add_option("--first", args->first, "first record, 0-based")->capture_default_str();
    cmd->add_option("--end", args->end, "one past the last record (default: all records)");
    cmd->add_option("--start-nm", args->startNm, "first output wavelength")->capture_default_str();
    cmd->add_option("--end-nm", args->endNm, "last output wavelength, inclusive")
        ->capture_default_str();
    cmd->add_option("--step-nm", args->stepNm, "wavelength step")->capture_default_str();
    cmd->add_flag("--horizontal", args->horizontal,
                  "one row per record (default: one column per record)");
    cmd->add_flag("--no-temp", args->noTemp, "leave out the temperature row or column");
    cmd->add_flag("--no-exposure", args->noExposure, "leave out the exposure row or column");
    cmd->add_flag("--no-labels", args->noLabels, "leave out the wavelength and row labels");
    cmd->add_flag("--time", args->time,
                  "add each record's time (ISO 8601 local time) as a first row or column");
    cmd->add_option("--method", args->method, "measuring method")
        ->check(CLI::IsMember({"light", "reflectance", "transmittance"}))
        ->capture_default_str();
    cmd->add_flag("--sensitivity", args->sensitivity, "apply the per-channel gain");
    return [args] { return RunExport(*args); };
}};

}  // namespace
}  // namespace vmf::cli
