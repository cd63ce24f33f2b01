// What the recovery journal must guarantee beyond replaying a clean file:
// one writer per journal, removal only by its owner, syncs in time (counted
// and timed on a fake clock through its file layer), failures reported once
// and at once, and a replay that trusts no frame whose contents cannot be.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "StoreSample.h"
#include "StoreTestUtil.h"
#include "fakes/FakeJournalIo.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/JournalFormat.h"
#include "store/RecordJournal.h"

namespace vmf::testing {
namespace {

using ms = std::chrono::milliseconds;
using test::FakeJournalIo;

// One counted cycle of every head handed to the journal.
void Cycle(Cvarnello_mfDoc& doc, RecordJournal& journal) {
    std::array<int, MAX_HEADS> slots;
    slots.fill(-1);
    for (int a = 0; a < doc.headCount; ++a) {
        slots[a] = doc.recordCount[a];
        doc.EnsureRecordArrays(a, slots[a]);
    }
    doc.AdvanceRecords();
    journal.AppendRecords(doc, slots, doc.headCount);
}

int ReplayedRecords(const std::string& path) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    JournalReplay replay;
    std::string error;
    EXPECT_TRUE(ReplayJournalFile(path, *doc, replay, error)) << error;
    return doc->recordCount[0];
}

TEST(JournalSafety, OneWriterPerJournalAndOnlyItsOwnerRemovesIt) {
    ScratchDir dir;
    const std::string path = dir.File("j.vqjournal");
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    FillSample(*doc, 2, 0);
    RecordJournal first(path);
    std::string error;
    ASSERT_TRUE(first.Begin(*doc, error)) << error;
    for (int k = 0; k < 3; ++k) Cycle(*doc, first);
    ASSERT_TRUE(first.Flush());

    // The second is refused before it truncates or writes a byte.
    RecordJournal second(path);
    EXPECT_FALSE(second.Begin(*doc, error));
    EXPECT_TRUE(second.InUse());
    EXPECT_EQ(error, path + ": in use by another running program");
    EXPECT_EQ(ReplayedRecords(path), 3);

#if !defined(_WIN32)
    // Moved aside and replaced by someone else's file: the owner's Remove
    // leaves that file alone. (Windows lets no one move an open journal.)
    std::filesystem::rename(path, dir.File("aside.vqjournal"));
    WriteBytes(path, {'V', 'Q', 'J', 'R', 'N', 'L', '0', '1'});
    EXPECT_FALSE(first.OnDisk());
    first.Remove();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(std::filesystem::exists(dir.File("aside.vqjournal")));
#else
    first.Remove();
#endif

    // Free again: the next writer takes it over from the start.
    ASSERT_TRUE(second.Begin(*doc, error)) << error;
    EXPECT_TRUE(second.OnDisk());
    ASSERT_TRUE(second.Flush());
    second.Remove();
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(JournalSafety, EveryRecordIsSyncedWithinHalfASecondAndAtStop) {
    ScratchDir dir;
    FakeJournalIo io;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    FillSample(*doc, 3, 0);
    RecordJournal journal(dir.File("j.vqjournal"), &io);
    std::string error;
    ASSERT_TRUE(journal.Begin(*doc, error)) << error;
    // A cycle every 100 ms for 1.2 s; the writer takes each at once.
    for (int k = 1; k <= 12; ++k) {
        io.Advance(ms(100));
        Cycle(*doc, journal);
        ASSERT_TRUE(journal.WaitWritten(std::chrono::seconds(5))) << k;
    }
    EXPECT_EQ(io.Syncs(), (std::vector<ms>{ms(500), ms(1000)}));

    // Stop: synced at once, not half a second later; then nothing new, and
    // no sync for nothing.
    io.Advance(ms(30));
    journal.Checkpoint(*doc);
    EXPECT_TRUE(journal.WaitWritten(std::chrono::seconds(5)));
    EXPECT_EQ(io.Syncs().back(), ms(1230));
    io.Advance(ms(600));
    EXPECT_TRUE(journal.WaitWritten(std::chrono::seconds(5)));
    EXPECT_TRUE(journal.Flush());
    EXPECT_EQ(io.Syncs(), (std::vector<ms>{ms(500), ms(1000), ms(1230)}));
    EXPECT_EQ(ReplayedRecords(journal.Path()), 12);
    journal.Remove();
}

TEST(JournalSafety, FailedWriteOrLostFileIsReportedOnceAndEndsTheJournal) {
    ScratchDir dir;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    FillSample(*doc, 4, 0);
#if defined(_WIN32)
    const std::initializer_list<bool> ways = {false};  // an open journal cannot be removed there
#else
    const std::initializer_list<bool> ways = {false, true};
#endif
    for (const bool removeFile : ways) {
        FakeJournalIo io;
        RecordJournal journal(dir.File("j.vqjournal"), &io);
        std::vector<std::string> told;
        journal.SetFailureNotifier([&](const std::string& e) { told.push_back(e); });
        std::string error;
        ASSERT_TRUE(journal.Begin(*doc, error)) << error;
        Cycle(*doc, journal);
        ASSERT_TRUE(journal.Flush());
        EXPECT_FALSE(journal.Failed());
        if (removeFile)
            std::filesystem::remove(journal.Path());
        else
            io.FailWrites(true);
        Cycle(*doc, journal);
        io.Advance(ms(500));
        journal.WaitWritten(std::chrono::seconds(5));
        Cycle(*doc, journal);
        EXPECT_FALSE(journal.Flush());
        EXPECT_TRUE(journal.Failed());
        const std::string expected = journal.Path() + (removeFile ? ": the journal file was removed"
                                                                  : ": No space left on device");
        EXPECT_EQ(journal.LastError(), expected);
        EXPECT_EQ(told, std::vector<std::string>{expected});
        EXPECT_EQ(journal.OnDisk(), !removeFile);
        // Nothing can follow a failure that a replay would find.
        EXPECT_FALSE(journal.Begin(*doc, error));
        journal.Remove();
        doc->recordCount.fill(0);
    }
}

// --- Replay ----------------------------------------------------------------

struct Entry {
    int32_t head, slot;
    uint32_t channels;
};

std::string RecordsPayload(const std::vector<Entry>& entries) {
    Bytes b;
    b.I32(static_cast<int32_t>(entries.size()));
    for (const Entry& e : entries) {
        b.I32(e.head).I32(e.slot).I32(1000).F32(25.0f).U64(1796722138315).I32(32400);
        b.I32(static_cast<int32_t>(e.channels));
        for (uint32_t i = 0; i < 2 * e.channels; ++i) b.F32(0.5f * static_cast<float>(i));
    }
    return std::string(b.b.begin(), b.b.end());
}

TEST(JournalSafety, ChecksummedFramesWithImpossibleContentsEndTheReplay) {
    // Ten heads: 288 channels each, but head 1 has 5.
    auto setup = std::make_unique<Cvarnello_mfDoc>();
    FillSample(*setup, 5, 0);
    setup->headCount = MAX_HEADS;
    const std::string good = std::string(kJournalMagic, 8);
    std::string start = good;
    AppendJournalFrame(start, "SETU", JournalSetupPayload(*setup));
    AppendJournalFrame(start, "RECS", RecordsPayload({{0, 0, 288}, {1, 0, 5}}));

    auto shrunk = std::make_unique<Cvarnello_mfDoc>();
    FillSample(*shrunk, 5, 0);
    shrunk->headCount = 1;
    auto narrower = std::make_unique<Cvarnello_mfDoc>();
    FillSample(*narrower, 5, 0);
    narrower->headCount = MAX_HEADS;
    narrower->channelCount[1] = 6;

    struct Bad {
        const char* what;
        const char* tag;
        std::string payload;
    };
    const std::vector<Bad> cases = {
        {"head 10 of 10", "RECS", RecordsPayload({{10, 0, 288}})},
        {"negative head", "RECS", RecordsPayload({{-1, 0, 288}})},
        {"slot skipped", "RECS", RecordsPayload({{0, 2, 288}})},
        {"slot repeated", "RECS", RecordsPayload({{0, 0, 288}})},
        {"repeated within the frame", "RECS", RecordsPayload({{0, 1, 288}, {0, 1, 288}})},
        {"channels differ", "RECS", RecordsPayload({{1, 1, 288}})},
        {"set-up drops a head", "SETU", JournalSetupPayload(*shrunk)},
        {"set-up narrows a head", "SETU", JournalSetupPayload(*narrower)},
    };
    for (const Bad& bad : cases) {
        std::string bytes = start;
        AppendJournalFrame(bytes, bad.tag, bad.payload);
        // A good frame after the bad one is not reached either.
        AppendJournalFrame(bytes, "RECS", RecordsPayload({{0, 1, 288}}));
        auto doc = std::make_unique<Cvarnello_mfDoc>();
        const JournalReplay replay = ReplayJournal(bytes.data(), bytes.size(), *doc);
        EXPECT_TRUE(replay.damaged) << bad.what;
        EXPECT_EQ(replay.frames, 2) << bad.what;
        EXPECT_EQ(replay.goodBytes, start.size()) << bad.what;
        EXPECT_EQ(doc->headCount, MAX_HEADS) << bad.what;
        EXPECT_EQ(doc->channelCount[1], 5) << bad.what;
        EXPECT_EQ(doc->recordCount, (std::array<int32_t, MAX_HEADS>{1, 1})) << bad.what;
    }

    // Head 2 of 2: its slots exist in memory, but not in the store.
    setup->headCount = 2;
    std::string two = good;
    AppendJournalFrame(two, "SETU", JournalSetupPayload(*setup));
    AppendJournalFrame(two, "RECS", RecordsPayload({{2, 0, 288}}));
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    const JournalReplay replay = ReplayJournal(two.data(), two.size(), *doc);
    EXPECT_TRUE(replay.damaged);
    EXPECT_EQ(replay.frames, 1);
    EXPECT_EQ(doc->recordCount[2], 0);
}

}  // namespace
}  // namespace vmf::testing
