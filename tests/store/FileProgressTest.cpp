// Progress and cancel of the data file's save and load: every byte counted,
// the size known before the first one, and a cancel that leaves the old file
// or the store exactly as it was.

#include <gtest/gtest.h>

#include <string>

#include "StoreSample.h"
#include "StoreTestUtil.h"
#include "common/FileProgress.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;

// Head 0's 8000 records (18.5 MB) are loaded in two halves, so both archives
// report, and a history long enough for the three-byte length prefix.
void FillLarge(Cvarnello_mfDoc& doc, uint32_t seed) {
    testing::FillSample(doc, seed, 8000);
    doc.historyText.assign(300, 'h');
}

TEST(FileProgress, SaveAndLoadCountEveryByteOfTheFile) {
    ScratchDir dir;
    Cvarnello_mfDoc doc;
    FillLarge(doc, 3);
    FileProgress saving;
    std::string error;
    FileFailure failure = FileFailure::None;
    ASSERT_TRUE(doc.SaveToFile(dir.File("p.vqdata"), error, failure, &saving)) << error;
    const uint64_t size = ReadBytes(dir.File("p.vqdata")).size();
    EXPECT_EQ(doc.StoredSize(), size);
    EXPECT_EQ(saving.total.load(), size);
    EXPECT_EQ(saving.done.load(), size);
    EXPECT_EQ(ProgressPercent(saving.done, saving.total), 100);

    Cvarnello_mfDoc loaded;
    FileProgress loading;
    ASSERT_TRUE(loaded.LoadFromFile(dir.File("p.vqdata"), error, failure, &loading)) << error;
    EXPECT_EQ(loading.total.load(), size);
    // The second half's reader may look one buffer past its records.
    EXPECT_GE(loading.done.load(), size);
    EXPECT_LE(loading.done.load(), size + 2 * (256u << 10));
    testing::ExpectSameStore(loaded, doc);
}

TEST(FileProgress, StoredSizeFollowsTheLayout) {
    Cvarnello_mfDoc doc;
    EXPECT_EQ(doc.StoredSize(), 9u);
    doc.headCount = 1;
    doc.channelCount[0] = 288;
    doc.headKind[0] = "C12880MA";
    doc.serialNo[0] = "23A00001";
    EXPECT_EQ(doc.StoredSize(), 28899u);
    doc.EnsureRecordArrays(0, 0);
    doc.recordCount[0] = 1;
    doc.historyText.assign(70000, 'x');  // the seven-byte prefix
    EXPECT_EQ(doc.StoredSize(), 28899u + 2312u + 6u + 70000u);
}

TEST(FileProgress, CancelledSaveKeepsTheOldFileAndDropsTheTemporary) {
    ScratchDir dir;
    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 1);
    std::string error;
    ASSERT_TRUE(doc.SaveToFile(dir.File("old.vqdata"), error)) << error;
    const auto before = ReadBytes(dir.File("old.vqdata"));

    FillLarge(doc, 2);
    FileProgress progress;
    progress.cancel = true;
    FileFailure failure = FileFailure::None;
    EXPECT_FALSE(doc.SaveToFile(dir.File("old.vqdata"), error, failure, &progress));
    EXPECT_EQ(failure, FileFailure::Cancelled);
    EXPECT_EQ(ReadBytes(dir.File("old.vqdata")), before);
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(FileProgress, CancelledLoadLeavesTheStoreAsItWas) {
    ScratchDir dir;
    Cvarnello_mfDoc other;
    FillLarge(other, 4);
    std::string error;
    ASSERT_TRUE(other.SaveToFile(dir.File("big.vqdata"), error)) << error;

    Cvarnello_mfDoc doc, same;
    testing::FillSample(doc, 5);
    testing::FillSample(same, 5);
    FileProgress progress;
    progress.cancel = true;
    FileFailure failure = FileFailure::None;
    EXPECT_FALSE(doc.LoadFromFile(dir.File("big.vqdata"), error, failure, &progress));
    EXPECT_EQ(failure, FileFailure::Cancelled);
    testing::ExpectSameStore(doc, same);

    // Reading and adopting apart, as the window does, gives the same store
    // as loading in one go.
    std::unique_ptr<Cvarnello_mfDoc> staged;
    ASSERT_TRUE(Cvarnello_mfDoc::ReadStaged(dir.File("big.vqdata"), staged, error, failure));
    ASSERT_TRUE(staged);
    testing::ExpectSameStore(doc, same);
    doc.AdoptLoaded(*staged);
    testing::ExpectSameStore(doc, other);
}

}  // namespace
}  // namespace vmf
