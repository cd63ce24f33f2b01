#include "store/RecordJournal.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "store/Cvarnello_mfDoc.h"
#include "store/JournalFormat.h"

namespace vmf {
namespace {

// The writer takes what was handed over every kWakeEvery (sooner when asked
// to sync) and forces written data to the disk kSyncEvery after the last
// sync at the latest: both together well inside the second the journal
// promises, and few enough writes and syncs for a cycle every few ms.
constexpr auto kSyncEvery = std::chrono::milliseconds(500);
constexpr auto kWakeEvery = std::chrono::milliseconds(100);
// Payload buffers kept for reuse, and the queue length that wakes the writer
// before its round: the buffers then go round instead of fresh memory being
// mapped for every cycle.
constexpr std::size_t kSpareBuffers = 64;
constexpr std::size_t kWakeAfterFrames = 24;

}  // namespace

RecordJournal::RecordJournal(std::string utf8Path, JournalIo* io)
    : path_(std::move(utf8Path)), io_(io ? io : &ownIo_) {}

RecordJournal::~RecordJournal() {
    StopWriter();
    std::string ignored;
    file_.Close(ignored);
}

bool RecordJournal::Open(std::string& error) {
    if (open_) return true;
    std::string reason;
    inUse_ = false;
    if (!file_.CreateJournal(path_, reason, inUse_) ||
        !file_.Write(kJournalMagic, sizeof kJournalMagic, reason)) {
        std::string ignored;
        file_.Close(ignored);
        error = path_ + ": " + reason;
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        stop_ = failed_ = failureTold_ = false;
        error_.clear();
        queued_ = written_ = synced_ = syncWanted_ = 0;
    }
    failedFlag_.store(false, std::memory_order_release);
    // The sync clock starts now, not whenever the thread gets going.
    writer_ = std::thread([this, start = io_->Now()] { WriterLoop(start); });
    open_ = true;
    begun_ = false;
    return true;
}

bool RecordJournal::Begin(const Cvarnello_mfDoc& doc, std::string& error) {
    if (!Open(error)) return false;
    if (Failed()) {
        // What follows could not be replayed after the damaged spot anyway.
        error = LastError();
        return false;
    }
    // The set-up comes first so that every record finds its head when
    // replayed.
    Enqueue("SETU", JournalSetupPayload(doc), false);
    if (begun_) return true;
    begun_ = true;
    // The records counted before this journal existed (a store loaded from
    // a file, or recorded before a save): without them the journal could
    // not rebuild the store.
    const int heads = std::clamp(doc.headCount, 0, MAX_HEADS);
    int longest = 0;
    for (int a = 0; a < heads; ++a) longest = std::max(longest, doc.recordCount[a]);
    std::array<int, MAX_HEADS> slots{};
    for (int r = 0; r < longest; ++r) {
        for (int a = 0; a < heads; ++a) slots[a] = r < doc.recordCount[a] ? r : -1;
        AppendRecords(doc, slots, heads);
    }
    return true;
}

void RecordJournal::AppendRecords(const Cvarnello_mfDoc& doc,
                                  const std::array<int, MAX_HEADS>& slots, int heads) {
    if (!open_) return;
    // A buffer the writer is done with: its memory is already mapped and
    // warm, so the hand-over copies and never waits for fresh pages.
    std::string payload;
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            payload = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    payload.clear();
    payload.reserve(4 + static_cast<std::size_t>(std::clamp(heads, 0, MAX_HEADS)) *
                            (32 + 8 * MAX_CHANNELS));
    AppendJournalRecords(payload, doc, slots.data(), heads);
    Enqueue("RECS", std::move(payload), false);
}

void RecordJournal::Checkpoint(const Cvarnello_mfDoc& doc) {
    if (!open_) return;
    Enqueue("SETU", JournalSetupPayload(doc), true);
}

void RecordJournal::Enqueue(const char* tag, std::string payload, bool sync) {
    JournalFrame frame;
    std::copy_n(tag, 4, frame.tag);
    frame.payload = std::move(payload);
    bool wake = sync;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(frame));
        ++queued_;
        if (sync) syncWanted_ = queued_;
        wake = wake || queue_.size() == kWakeAfterFrames;
    }
    // Records wait for the writer's next round (at most kWakeEvery): one
    // write for many cycles, and no wake-up call in the cycle's hand-over,
    // unless cycles come so fast that the buffers would stop being reused.
    if (wake) wake_.notify_one();
}

bool RecordJournal::Flush() {
    if (!open_) return true;
    std::unique_lock lock(mutex_);
    const uint64_t target = queued_;
    syncWanted_ = std::max(syncWanted_, target);
    wake_.notify_one();
    done_.wait(lock, [&] { return synced_ >= target || failureTold_; });
    return !failed_;
}

bool RecordJournal::WaitWritten(std::chrono::milliseconds timeout) {
    if (!open_) return true;
    std::unique_lock lock(mutex_);
    const uint64_t target = queued_;
    poked_ = true;
    wake_.notify_one();
    return done_.wait_for(lock, timeout, [&] { return written_ >= target || failureTold_; });
}

void RecordJournal::Remove() {
    if (!open_) return;
    StopWriter();
    file_.CloseAndRemove(path_);
}

bool RecordJournal::Fail(const std::string& reason) {
    // Under mutex_, on the writer thread.
    if (failed_) return false;
    failed_ = true;
    error_ = path_ + ": " + reason;
    failedFlag_.store(true, std::memory_order_release);
    return true;
}

std::string RecordJournal::LastError() const {
    std::lock_guard lock(mutex_);
    return error_;
}

uint64_t RecordJournal::FramesQueued() const {
    std::lock_guard lock(mutex_);
    return queued_;
}

uint64_t RecordJournal::FramesWritten() const {
    std::lock_guard lock(mutex_);
    return written_;
}

void RecordJournal::StopWriter() {
    if (!writer_.joinable()) {
        open_ = false;
        return;
    }
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    writer_.join();
    open_ = false;
}

void RecordJournal::WriterLoop(JournalIo::TimePoint lastSync) {
    std::vector<JournalFrame> batch;
    std::string bytes;
    bool dirty = false;  // written since the last sync
    for (;;) {
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, kWakeEvery, [&] {
            return stop_ || poked_ || queue_.size() >= kWakeAfterFrames ||
                   (syncWanted_ > synced_ && !failed_);
        });
        poked_ = false;
        batch.swap(queue_);
        const uint64_t upTo = queued_;
        const bool syncAsked = syncWanted_ > synced_;
        const bool stopping = stop_;
        const bool failed = failed_;
        lock.unlock();

        // Framing (and its check) happens here, so the cycle only copies.
        bytes.clear();
        for (const JournalFrame& f : batch) AppendJournalFrame(bytes, f.tag, f.payload);
        {
            std::lock_guard back(mutex_);
            for (JournalFrame& f : batch)
                if (spare_.size() < kSpareBuffers) spare_.push_back(std::move(f.payload));
        }
        batch.clear();
        std::string reason;
        bool ok = !failed;
        if (ok && !bytes.empty()) {
            ok = io_->Write(file_, bytes.data(), bytes.size(), reason);
            dirty = true;
        }
        const auto now = io_->Now();
        bool synced = false;
        if (ok && dirty && (syncAsked || stopping || now - lastSync >= kSyncEvery)) {
            ok = io_->Sync(file_, reason);
            // Synced data under a name nobody can find is not kept: a
            // deleted folder must not go unnoticed until the end of the run.
            if (ok && !file_.NamedBy(path_)) {
                ok = false;
                reason = "the journal file was removed";
            }
            lastSync = now;
            dirty = false;
            synced = ok;
        } else if (ok && !dirty) {
            synced = true;  // nothing unsynced: everything handed over is on the disk
        }

        lock.lock();
        if (ok) written_ = upTo;
        if (synced) synced_ = upTo;
        if (!ok && Fail(reason)) {
            // Told outside the lock (the notifier may ask the journal what
            // it holds), and before anyone waiting hears of the failure.
            const std::string failure = error_;
            lock.unlock();
            {
                std::lock_guard notifying(notifyMutex_);
                if (onFailure_) onFailure_(failure);
            }
            lock.lock();
            failureTold_ = true;
        }
        done_.notify_all();
        if (stopping && queue_.empty()) return;
    }
}

bool RecordJournal::JournalInUse(const std::string& utf8Path) {
    return FileHandle::IsLockedElsewhere(utf8Path);
}

}  // namespace vmf
