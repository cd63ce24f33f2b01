// varnello-cli recover JOURNAL --out FILE: rebuilds the store a recovery
// journal describes (heads, tables, references, LED drivers, history and
// every complete record before any damage) and saves it as a data file. The
// journal itself is left where it is; remove it once the file is checked.
// A journal that a running program still writes is refused unless --live asks
// for what it holds so far; a journal without records writes nothing.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/CliCommand.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/JournalFormat.h"
#include "store/RecordJournal.h"

namespace vmf::cli {
namespace {

struct RecoverArgs {
    std::string journal;
    std::string out;
    bool live = false;
};

int RunRecover(const RecoverArgs& args) {
    // Its writer may be in the middle of a frame and goes on after it; the
    // replay then ends at the last whole frame, which is a consistent state.
    const bool live = RecordJournal::JournalInUse(args.journal);
    if (live && !args.live) {
        std::fprintf(stderr,
                     "varnello-cli recover: %s is still being written by a running program; "
                     "refused (--live reads what it holds so far)\n",
                     args.journal.c_str());
        return kExitFailed;
    }
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    JournalReplay replay;
    std::string error;
    if (!ReplayJournalFile(args.journal, *doc, replay, error)) {
        std::fprintf(stderr, "varnello-cli recover: %s\n", error.c_str());
        return kExitFailed;
    }
    if (replay.frames == 0) {
        std::fprintf(stderr, "varnello-cli recover: %s holds no complete entry\n",
                     args.journal.c_str());
        return kExitFailed;
    }
    int records = 0;
    for (int a = 0; a < doc->headCount; ++a) records += doc->recordCount[a];
    if (records == 0) {
        std::fprintf(stderr,
                     "varnello-cli recover: %s holds the set-up of a recording (%d heads) but "
                     "no records; nothing written\n",
                     args.journal.c_str(), doc->headCount);
        return kExitFailed;
    }
    // The recovered records have not been saved by anyone yet.
    doc->SetModifiedFlag(true);
    if (!doc->SaveToFile(args.out, error)) {
        std::fprintf(stderr, "varnello-cli recover: %s\n", error.c_str());
        return kExitFailed;
    }
    std::string counts;
    for (int a = 0; a < doc->headCount; ++a)
        counts += (a ? "," : "") + std::to_string(doc->recordCount[a]);
    std::printf("%d heads, records per head [%s]%s -> %s\n", doc->headCount, counts.c_str(),
                live             ? ", read while still being written (the whole frames so far)"
                : replay.damaged ? ", damaged tail ignored"
                                 : "",
                args.out.c_str());
    return kExitOk;
}

const CliCommandRegistrar registrar([](CLI::App& app) -> std::function<int()> {
    auto args = std::make_shared<RecoverArgs>();
    CLI::App* sub = app.add_subcommand(
        "recover", "Rebuild a data file from the recovery journal of an interrupted recording");
    sub->add_option("journal", args->journal, "recovery journal (.vqjournal)")->required();
    sub->add_option("--out", args->out, "data file to write (.vqdata)")->required();
    sub->add_flag("--live", args->live,
                  "read a journal that a running program is still writing (what it holds so far)");
    return [args] { return RunRecover(*args); };
});

}  // namespace
}  // namespace vmf::cli
