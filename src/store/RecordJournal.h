#pragma once
// The recovery journal of a recording: from Start until the records are in a
// saved data file (or deliberately discarded), everything needed to rebuild
// the store is appended to one journal file (JournalFormat.h), so a crash, a
// killed process or a power cut loses at most the cycle in progress and the
// last second of records.
//
// The acquisition's thread only encodes (copies) what it hands over; a writer
// thread of the journal's own does every write and forces the data to the
// disk at least once a second and at every Checkpoint, so neither the cycle
// nor the GUI thread ever waits for the disk. While open, the file is locked,
// so a program starting meanwhile can tell a live journal from one left
// behind by a crash (JournalInUse).

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "store/FileHandle.h"
#include "store/StoreBounds.h"

namespace vmf {

class Cvarnello_mfDoc;

// One frame handed to the writer: its tag and payload, framed and checked by
// the writer thread.
struct JournalFrame {
    char tag[4];
    std::string payload;
};

class RecordJournal {
public:
    explicit RecordJournal(std::string utf8Path);
    // Writes and syncs what was handed over, closes the file and leaves it:
    // only Remove ends a journal.
    ~RecordJournal();
    RecordJournal(const RecordJournal&) = delete;
    RecordJournal& operator=(const RecordJournal&) = delete;

    const std::string& Path() const { return path_; }
    bool IsOpen() const { return open_; }

    // At Start. When no journal is open, creates the file (replacing one of
    // the same name) and journals the store's completed records so far; then,
    // either way, its heads, tables, references, LED drivers and history as
    // they are now. False with error set when the file cannot be created
    // (measuring goes on unjournalled).
    bool Begin(const Cvarnello_mfDoc& doc, std::string& error);
    // One counted cycle: slot slots[a] of each head a < heads. Ignored while
    // no journal is open.
    void AppendRecords(const Cvarnello_mfDoc& doc, const std::array<int, MAX_HEADS>& slots,
                       int heads);
    // At Stop: the heads and history again (the end entry) and everything
    // to the disk now.
    void Checkpoint(const Cvarnello_mfDoc& doc);
    // Waits until everything handed over is written and synced. False when
    // a write or sync failed (LastError says why).
    bool Flush();
    // The records are saved or discarded: the writer ends and the file goes.
    void Remove();
    std::string LastError() const;

    // Frames handed over and frames written so far (benchmarks, tests).
    uint64_t FramesQueued() const;
    uint64_t FramesWritten() const;

    // True when another open journal holds the file's lock.
    static bool JournalInUse(const std::string& utf8Path);

private:
    void Enqueue(const char* tag, std::string payload, bool sync);
    void WriterLoop();
    void StopWriter();

    std::string path_;
    FileHandle file_;
    std::thread writer_;
    bool open_ = false;  // owner's thread only

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<JournalFrame> queue_;  // handed over, not yet taken by the writer
    std::vector<std::string> spare_;   // written payload buffers, for reuse
    uint64_t queued_ = 0;
    uint64_t written_ = 0;
    uint64_t synced_ = 0;  // frames known to be on the disk
    uint64_t syncWanted_ = 0;
    bool stop_ = false;
    bool failed_ = false;
    std::string error_;
};

}  // namespace vmf
