// The recovery journal: what Begin, the counted cycles and Checkpoint hand
// over comes back by replay, a damaged tail costs only what follows it, and
// the file goes only by Remove.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "StoreSample.h"
#include "StoreTestUtil.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/JournalFormat.h"
#include "store/RecordJournal.h"

namespace vmf::testing {
namespace {

// One more counted cycle on every head, as the acquisition's hand-over does.
void RecordCycle(Cvarnello_mfDoc& doc, RecordJournal& journal, uint32_t seed) {
    std::array<int, MAX_HEADS> slots;
    slots.fill(-1);
    for (int a = 0; a < doc.headCount; ++a) {
        const int r = slots[a] = doc.recordCount[a];
        doc.EnsureRecordArrays(a, r);
        for (int c = 0; c < doc.channelCount[a]; ++c) {
            doc.recRaw(a, r)[c] = SampleFloat(seed + c);
            doc.recProcessed(a, r)[c] = SampleFloat(seed * 3 + c);
        }
        doc.recExposureUs(a, r) = 500 + static_cast<int>(seed);
        doc.recTemperatureC(a, r) = 24.5f;
        doc.recTimeUtcMs(a, r) = 1796722138315 + seed;
        doc.recUtcOffsetS(a, r) = 32400;
    }
    doc.AdvanceRecords();
    journal.AppendRecords(doc, slots, doc.headCount);
}

// A sample store (FillSample) with its journal begun in dir.
struct Journalled {
    Journalled(const ScratchDir& dir, uint32_t seed, int records)
        : doc(std::make_unique<Cvarnello_mfDoc>()), journal(dir.File("j.vqjournal")) {
        FillSample(*doc, seed, records);
        std::string error;
        EXPECT_TRUE(journal.Begin(*doc, error)) << error;
    }
    std::unique_ptr<Cvarnello_mfDoc> doc;
    RecordJournal journal;
};

std::unique_ptr<Cvarnello_mfDoc> Replayed(const std::string& path, JournalReplay& replay) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    std::string error;
    EXPECT_TRUE(ReplayJournalFile(path, *doc, replay, error)) << error;
    return doc;
}

TEST(Journal, ReplayGivesBackTheStoreIncludingRecordsFromBeforeIt) {
    ScratchDir dir;
    Journalled j(dir, 4, 2);  // two records counted before the journal began
    auto& doc = j.doc;
    RecordJournal& journal = j.journal;
    EXPECT_TRUE(RecordJournal::JournalInUse(journal.Path()));
    for (uint32_t k = 0; k < 5; ++k) RecordCycle(*doc, journal, k);
    doc->historyText += "end\r\n";
    journal.Checkpoint(*doc);
    ASSERT_TRUE(journal.Flush());

    JournalReplay replay;
    auto back = Replayed(journal.Path(), replay);
    EXPECT_FALSE(replay.damaged);
    EXPECT_EQ(back->recordCount[0], 7);
    ExpectSameStore(*doc, *back);
}

TEST(Journal, DamagedTailRestoresEveryCompleteRecordBeforeIt) {
    ScratchDir dir;
    {
        Journalled j(dir, 6, 0);
        for (uint32_t k = 0; k < 4; ++k) RecordCycle(*j.doc, j.journal, k);
        // The destructor writes what it has and leaves the file, as a
        // process that ends without saving does.
    }
    const std::string path = dir.File("j.vqjournal");
    ASSERT_TRUE(std::filesystem::exists(path));
    const auto whole = ReadBytes(path);
    const std::size_t frame = 12 + 4 + 2 * 32 + 8 * (288 + 5);  // one cycle's frame
    for (int cut : {1, 100, static_cast<int>(frame) - 1}) {
        auto bytes = whole;
        bytes.resize(bytes.size() - static_cast<std::size_t>(cut));
        WriteBytes(path, bytes);
        JournalReplay replay;
        auto back = Replayed(path, replay);
        EXPECT_TRUE(replay.damaged);
        EXPECT_EQ(back->recordCount[0], 3) << cut;
        EXPECT_EQ(back->recordCount[1], 3) << cut;
        EXPECT_EQ(back->recTimeUtcMs(1, 2), 1796722138317);
    }
    // A flipped bit in the second cycle: only the first survives.
    auto bytes = whole;
    bytes[whole.size() - 3 * frame + 40] ^= 1;
    WriteBytes(path, bytes);
    JournalReplay replay;
    auto back = Replayed(path, replay);
    EXPECT_EQ(back->recordCount[0], 1);
    EXPECT_EQ(back->headCount, 2);
}

TEST(Journal, RemoveIsTheOnlyEnd) {
    ScratchDir dir;
    Journalled j(dir, 1, 1);
    j.journal.Remove();
    EXPECT_FALSE(std::filesystem::exists(dir.File("j.vqjournal")));
    EXPECT_FALSE(j.journal.IsOpen());
    auto& doc = j.doc;
    std::string error;

    RecordJournal elsewhere(dir.File("missing/j.vqjournal"));
    EXPECT_FALSE(elsewhere.Begin(*doc, error));
    EXPECT_NE(error.find("missing/j.vqjournal"), std::string::npos);
}

}  // namespace
}  // namespace vmf::testing
