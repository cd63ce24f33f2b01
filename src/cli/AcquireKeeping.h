#pragma once
// What keeps the records of a varnello-cli acquire run safe, from before the
// first cycle to the end: the output path reserved for this run alone (a lock
// file naming the run), the recovery journal (beside the output, else in the
// per-user recovery folder, or none when the operator asked for none), and at
// the end the save with a true account of what was kept where.

#include <memory>
#include <optional>
#include <string>

#include "acquire/HeadlessAcquisition.h"
#include "store/RecordJournal.h"
#include "store/RunLock.h"

namespace vmf::cli {

class AcquireKeeping {
public:
    explicit AcquireKeeping(std::string out);
    ~AcquireKeeping();

    // Before anything is measured. Reserves the output and opens the journal
    // unless noJournal. nullopt when the run may go; otherwise the exit code,
    // the refusal already on stderr.
    std::optional<int> Prepare(bool noJournal);
    // The run's journal; null without one.
    RecordJournal* Journal() { return journal_.get(); }

    // The run measured nothing: its journal goes.
    void Discard() {
        if (journal_) journal_->Remove();
    }
    // After the run: saves the store to the output and reports on stdout
    // (success) or stderr. Returns the exit code.
    int Finish(const Cvarnello_mfDoc& doc, const HeadlessAcquireResult& result);

private:
    bool Reserve(std::string& refusal);
    std::optional<int> OpenJournal();
    void SetAsideLeftBehind(const std::string& journal);
    // The output could not be saved: keeps what can be kept and says where.
    void KeepElsewhere(const Cvarnello_mfDoc& doc, bool journalSound);

    std::string out_;
    RunLock outputLock_;
    std::unique_ptr<RecordJournal> journal_;
};

}  // namespace vmf::cli
