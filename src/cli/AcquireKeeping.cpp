#include "cli/AcquireKeeping.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include "cli/CliCommand.h"
#include "cli/TerminalFileWork.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/JournalFormat.h"
#include "store/LocalTime.h"
#include "store/RecoveryFolder.h"
#include "store/TextFormat.h"

namespace vmf::cli {
namespace {

namespace fs = std::filesystem;

void Say(const std::string& line) {
    std::fputs(("varnello-cli acquire: " + line + "\n").c_str(), stderr);
    std::fflush(stderr);
}

long ProcessId() {
#if defined(_WIN32)
    return static_cast<long>(_getpid());
#else
    return static_cast<long>(::getpid());
#endif
}

// The recovery folder, created when missing; empty when there is none.
std::string MadeRecoveryFolder() {
    const std::string folder = RecoveryFolder();
    if (folder.empty()) return folder;
    std::error_code ec;
    fs::create_directories(fs::path(std::u8string(folder.begin(), folder.end())), ec);
    return folder;
}

std::string InFolder(const std::string& folder, const std::string& name) {
#if defined(_WIN32)
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

std::string RecoverHint(const std::string& journal) {
    return " (varnello-cli recover '" + journal + "' --out FILE.vqdata)";
}

}  // namespace

AcquireKeeping::AcquireKeeping(std::string out) : out_(std::move(out)) {}

AcquireKeeping::~AcquireKeeping() = default;

bool AcquireKeeping::Reserve(std::string& refusal) {
    const std::string holder =
        CFormat("varnello-cli acquire, process %ld, started %s", ProcessId(),
                FormatLocalTime(std::time(nullptr), "%Y-%m-%d %H:%M:%S").c_str());
    std::string heldBy, reason;
    // Beside the output, so every run for that path meets there; a folder
    // that takes no new file gets it in the recovery folder, under a name
    // made from the output's whole path.
    auto result = outputLock_.Acquire(out_ + ".vqlock", holder, heldBy, reason);
    if (result == RunLock::Result::Failed) {
        const std::string folder = MadeRecoveryFolder();
        if (!folder.empty())
            result = outputLock_.Acquire(InFolder(folder, RecoveryNameFor(out_, ".vqlock")), holder,
                                         heldBy, reason);
    }
    if (result == RunLock::Result::HeldElsewhere) {
        refusal = out_ + " is being written by another run (" +
                  (heldBy.empty() ? std::string("holder unknown") : heldBy) + "); refused";
        return false;
    }
    // A path that cannot be reserved anywhere is not refused for that alone:
    // the journal below still has to be made, and it is locked too.
    return true;
}

// A journal beside the output that no running program holds is what an
// earlier run left when it was killed: its records were never saved, so it
// is moved out of the way under a name of its own, never emptied.
void AcquireKeeping::SetAsideLeftBehind(const std::string& journal) {
    std::error_code ec;
    const fs::path path(std::u8string(journal.begin(), journal.end()));
    if (fs::file_size(path, ec) <= sizeof kJournalMagic || ec ||
        RecordJournal::JournalInUse(journal))
        return;
    // "<name>.vqjournal" becomes "<name>.<time>.vqjournal", still a journal.
    const std::string aside = journal.substr(0, journal.size() - 10) + "." +
                              FormatLocalTime(std::time(nullptr), "%Y%m%d-%H%M%S") + ".vqjournal";
    fs::rename(path, fs::path(std::u8string(aside.begin(), aside.end())), ec);
    if (!ec) Say("the journal of an earlier run that was not saved is kept in " + aside);
}

std::optional<int> AcquireKeeping::OpenJournal() {
    std::string besideError;
    SetAsideLeftBehind(out_ + ".vqjournal");
    journal_ = std::make_unique<RecordJournal>(out_ + ".vqjournal");
    journal_->SetFailureNotifier([](const std::string& error) {
        Say("the recovery journal failed: " + error + "; measuring stops");
    });
    if (journal_->Open(besideError)) return std::nullopt;
    if (journal_->InUse()) {
        Say("the recovery journal " + journal_->Path() +
            " is in use by another running program; refused");
        return kExitFailed;
    }
    std::string fallbackError = "no per-user data folder (HOME / APPDATA not set)";
    const std::string folder = MadeRecoveryFolder();
    if (!folder.empty()) {
        const std::string path = InFolder(folder, RecoveryNameFor(out_, ".vqjournal"));
        SetAsideLeftBehind(path);
        auto fallback = std::make_unique<RecordJournal>(path);
        fallback->SetFailureNotifier([](const std::string& error) {
            Say("the recovery journal failed: " + error + "; measuring stops");
        });
        if (fallback->Open(fallbackError)) {
            Say("the recovery journal cannot be made beside the output (" + besideError +
                "); it is kept in " + fallback->Path());
            journal_ = std::move(fallback);
            return std::nullopt;
        }
        if (fallback->InUse()) {
            Say("the recovery journal " + fallback->Path() +
                " is in use by another running program; refused");
            return kExitFailed;
        }
    }
    Say("no recovery journal can be made (" + besideError + "; " + fallbackError +
        "); refused (--no-journal measures without one)");
    return kExitFailed;
}

std::optional<int> AcquireKeeping::Prepare(bool noJournal) {
    std::string refusal;
    if (!Reserve(refusal)) {
        Say(refusal);
        return kExitFailed;
    }
    if (noJournal) return std::nullopt;
    return OpenJournal();
}

void AcquireKeeping::KeepElsewhere(const Cvarnello_mfDoc& doc, bool journalSound) {
    // Checked now: a journal whose folder went away keeps nothing.
    if (journal_ && journalSound && journal_->OnDisk()) {
        Say("the records are kept in " + journal_->Path() + RecoverHint(journal_->Path()));
        return;
    }
    const std::string folder = MadeRecoveryFolder();
    if (!folder.empty()) {
        const std::string kept = InFolder(
            folder, RecoveryNameFor(
                        out_, CFormat("-%s-%ld.vqdata",
                                      FormatLocalTime(std::time(nullptr), "%Y%m%d-%H%M%S").c_str(),
                                      ProcessId())));
        std::string error;
        if (doc.SaveToFile(kept, error)) {
            Say("the records are kept in " + kept);
            return;
        }
        Say(error);
    }
    if (journal_ && journal_->OnDisk()) {
        // What a failed journal holds is what replays from it.
        auto back = std::make_unique<Cvarnello_mfDoc>();
        JournalReplay replay;
        std::string error;
        if (ReplayJournalFile(journal_->Path(), *back, replay, error) && back->recordCount[0] > 0) {
            Say(CFormat("only the first %d records per head are kept, in ", back->recordCount[0]) +
                journal_->Path() + RecoverHint(journal_->Path()));
            return;
        }
    }
    Say("nothing of this run could be kept");
}

int AcquireKeeping::Finish(const Cvarnello_mfDoc& doc, const HeadlessAcquireResult& result) {
    // Everything handed over on the disk before the save, so that a failed
    // save leaves a complete journal.
    const bool journalSound = journal_ && journal_->Flush() && !journal_->Failed();
    std::string error;
    if (!SaveDataFile(doc, out_, error)) {
        Say(error);
        KeepElsewhere(doc, journalSound);
        return kExitFailed;
    }
    if (journal_) {
        const std::string why = journal_->Failed() ? journal_->LastError() : std::string();
        journal_->Remove();
        if (!why.empty()) {
            Say("the recovery journal failed (" + why +
                CFormat("); the %d records per head measured until then are saved in ",
                        result.records) +
                out_);
            return kExitFailed;
        }
    }
    std::fputs(
        CFormat("%d records per head, %d heads, %.3f s%s -> %s\n", result.records, result.heads,
                result.elapsedMs / 1000.0, result.interrupted ? " (interrupted)" : "", out_.c_str())
            .c_str(),
        stdout);
    return kExitOk;
}

}  // namespace vmf::cli
