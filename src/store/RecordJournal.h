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
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "store/FileHandle.h"
#include "store/StoreBounds.h"

namespace vmf {

class Cvarnello_mfDoc;

// What the writer does to its file and how it tells the time: the real file
// and the steady clock, unless a test puts its own in to count and time the
// writes and syncs (or make them fail). Called on the writer thread only.
class JournalIo {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~JournalIo() = default;
    virtual bool Write(FileHandle& file, const void* data, std::size_t n, std::string& reason) {
        return file.Write(data, n, reason);
    }
    virtual bool Sync(FileHandle& file, std::string& reason) { return file.SyncData(reason); }
    virtual TimePoint Now() { return std::chrono::steady_clock::now(); }
};

// One frame handed to the writer: its tag and payload, framed and checked by
// the writer thread.
struct JournalFrame {
    char tag[4];
    std::string payload;
};

class RecordJournal {
public:
    // io: null for the real file and clock; otherwise it must outlive the
    // journal.
    explicit RecordJournal(std::string utf8Path, JournalIo* io = nullptr);
    // Writes and syncs what was handed over, closes the file and leaves it:
    // only Remove ends a journal.
    ~RecordJournal();
    RecordJournal(const RecordJournal&) = delete;
    RecordJournal& operator=(const RecordJournal&) = delete;

    const std::string& Path() const { return path_; }
    bool IsOpen() const { return open_; }

    // Creates the file and takes its lock before anything is written, so a
    // run can know it has a journal before it measures. False with error
    // set when it cannot; InUse() then tells whether another program holds
    // the journal. Begin opens it when this was not called.
    bool Open(std::string& error);
    bool InUse() const { return inUse_; }
    // At Start. The first Begin on a newly opened journal journals the
    // store's completed records so far; then, either way, its heads, tables,
    // references, LED drivers and history as they are now. False with error
    // set when the file cannot be created or an earlier write failed.
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
    // The records are saved or discarded: the writer ends and the file goes
    // (only while its name is still this journal's).
    void Remove();
    std::string LastError() const;
    // A write or sync failed, or the file lost its name: what follows is not
    // journalled. Cheap enough for every cycle's hand-over.
    bool Failed() const { return failedFlag_.load(std::memory_order_acquire); }
    // Called once, on the writer thread, at the first failure with its text.
    // Setting another (or none) waits for a call in progress, so an owner
    // that clears it before it goes is never called afterwards.
    void SetFailureNotifier(std::function<void(const std::string&)> notify) {
        std::lock_guard lock(notifyMutex_);
        onFailure_ = std::move(notify);
    }
    // The journal is open and its path still names its file: only then may
    // anyone be told that records are kept in it.
    bool OnDisk() const { return open_ && file_.NamedBy(path_); }

    // Frames handed over and frames written so far (benchmarks, tests).
    uint64_t FramesQueued() const;
    uint64_t FramesWritten() const;
    // Has the writer take everything handed over so far now, without asking
    // for a sync, and waits (at most timeout) until it is written: tests that
    // move a fake clock watch the timed syncs this way.
    bool WaitWritten(std::chrono::milliseconds timeout);

    // True when another open journal holds the file's lock.
    static bool JournalInUse(const std::string& utf8Path);

private:
    void Enqueue(const char* tag, std::string payload, bool sync);
    void WriterLoop(JournalIo::TimePoint lastSync);
    void StopWriter();
    // Marks the first failure; false when one was marked before.
    bool Fail(const std::string& reason);

    std::string path_;
    JournalIo ownIo_;
    JournalIo* io_;
    FileHandle file_;
    std::thread writer_;
    bool open_ = false;   // owner's thread only
    bool begun_ = false;  // the records before this journal are in it
    bool inUse_ = false;  // the last Open found the journal held elsewhere
    std::mutex notifyMutex_;
    std::function<void(const std::string&)> onFailure_;  // under notifyMutex_
    std::atomic<bool> failedFlag_{false};

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
    bool poked_ = false;  // WaitWritten: one round now
    bool failed_ = false;
    bool failureTold_ = false;  // the notifier has been called for it
    std::string error_;
};

}  // namespace vmf
