#pragma once
// The recovery journal's file layer for tests: the real file underneath, a
// fake clock the test moves, every sync noted with the fake time it came at,
// and writes that fail on request (a full disk). The test waits for the
// writer's rounds with RecordJournal::WaitWritten or Flush, never a sleep.

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "store/RecordJournal.h"

namespace vmf::test {

class FakeJournalIo : public JournalIo {
public:
    using ms = std::chrono::milliseconds;

    void Advance(ms by) {
        std::lock_guard lock(m_);
        now_ += by;
    }
    void FailWrites(bool on) {
        std::lock_guard lock(m_);
        failWrites_ = on;
    }
    bool Write(FileHandle& file, const void* data, std::size_t n, std::string& reason) override {
        std::lock_guard lock(m_);
        if (failWrites_) {
            reason = "No space left on device";
            return false;
        }
        return file.Write(data, n, reason);
    }
    bool Sync(FileHandle& file, std::string& reason) override {
        std::lock_guard lock(m_);
        syncs_.push_back(std::chrono::duration_cast<ms>(now_ - TimePoint{}));
        return file.SyncData(reason);
    }
    TimePoint Now() override {
        std::lock_guard lock(m_);
        return now_;
    }

    // Fake times of the syncs so far.
    std::vector<ms> Syncs() {
        std::lock_guard lock(m_);
        return syncs_;
    }

private:
    std::mutex m_;
    TimePoint now_{};
    std::vector<ms> syncs_;
    bool failWrites_ = false;
};

}  // namespace vmf::test
