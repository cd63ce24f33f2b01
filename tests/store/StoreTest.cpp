// Initial values, record slots and counters of the measurement store.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "StoreSample.h"
#include "StoreTestUtil.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/SpectrumPool.h"

namespace vmf {
namespace {

TEST(Store, NewStoreHasTheInitialValues) {
    Cvarnello_mfDoc doc;
    EXPECT_EQ(doc.headCount, 0);
    EXPECT_EQ(doc.ledDriverCount, 0);
    EXPECT_EQ(doc.mirrorCount, 0);
    EXPECT_TRUE(doc.historyText.empty());
    EXPECT_FALSE(doc.IsModified());
    for (int a = 0; a < MAX_HEADS; ++a) {
        EXPECT_EQ(doc.channelCount[a], 288);
        EXPECT_EQ(doc.ledChannelCount[a], 32);
        EXPECT_EQ(doc.recordCount[a], 0);
        EXPECT_EQ(doc.recRaw(a, 0), nullptr);
        EXPECT_EQ(doc.recProcessed(a, LAST_RECORD), nullptr);
        EXPECT_EQ(doc.recExposureUs(a, LAST_RECORD), 0);
    }
    EXPECT_EQ(doc.Pool().BlocksInUse(), 0u);
}

TEST(Store, EnsureRecordArraysAllocatesOnceAndZeroed) {
    Cvarnello_mfDoc doc;
    ASSERT_TRUE(doc.EnsureRecordArrays(3, LAST_RECORD));
    float* raw = doc.recRaw(3, LAST_RECORD);
    float* processed = doc.recProcessed(3, LAST_RECORD);
    ASSERT_NE(raw, nullptr);
    ASSERT_NE(processed, nullptr);
    EXPECT_NE(raw, processed);
    EXPECT_EQ(raw[0], 0.0f);
    EXPECT_EQ(processed[MAX_CHANNELS - 1], 0.0f);
    raw[5] = 42.0f;
    ASSERT_TRUE(doc.EnsureRecordArrays(3, LAST_RECORD));
    EXPECT_EQ(doc.recRaw(3, LAST_RECORD), raw);
    EXPECT_EQ(raw[5], 42.0f);  // reused, not reset
    EXPECT_EQ(doc.Pool().BlocksInUse(), 2u);
    EXPECT_FALSE(doc.EnsureRecordArrays(MAX_HEADS, 0));
    EXPECT_FALSE(doc.EnsureRecordArrays(0, MAX_RECORDS));
}

TEST(Store, AdvanceRecordsStopsAtTheLastSlotAndOnlyForDetectedHeads) {
    Cvarnello_mfDoc doc;
    doc.headCount = 2;
    doc.recordCount[0] = 86398;
    doc.recordCount[1] = 86398;
    doc.AdvanceRecords();
    EXPECT_EQ(doc.recordCount[0], 86399);
    doc.AdvanceRecords();
    EXPECT_EQ(doc.recordCount[0], 86399);
    EXPECT_EQ(doc.recordCount[1], 86399);
    EXPECT_EQ(doc.recordCount[2], 0);
}

TEST(Store, ClearRecordsReleasesSpectraOnly) {
    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 9);
    doc.mirrorCount = 1;
    doc.SetModifiedFlag(false);
    const auto history = doc.historyText;
    const float dark = doc.darkTable[0][3][7];
    const float white = doc.whiteRef[1][5];
    doc.ClearRecords();
    EXPECT_EQ(doc.recordCount[0], 0);
    EXPECT_EQ(doc.recordCount[1], 0);
    EXPECT_EQ(doc.recRaw(0, 0), nullptr);
    EXPECT_EQ(doc.recProcessed(1, 2), nullptr);
    EXPECT_EQ(doc.Pool().BlocksInUse(), 0u);
    EXPECT_EQ(doc.Pool().SlabCount(), 0u);
    EXPECT_EQ(doc.headCount, 2);
    EXPECT_EQ(doc.ledDriverCount, 2);
    EXPECT_EQ(doc.mirrorCount, 1);
    EXPECT_EQ(doc.historyText, history);
    EXPECT_EQ(doc.exposureUs[1], 20009);
    EXPECT_EQ(doc.recExposureUs(0, 1), 1001);  // per-record scalars stay
    EXPECT_TRUE(testing::SameBits(doc.darkTable[0][3][7], dark));
    EXPECT_TRUE(testing::SameBits(doc.whiteRef[1][5], white));
    EXPECT_FALSE(doc.IsModified());
    // The store keeps working after a clear.
    ASSERT_TRUE(doc.EnsureRecordArrays(0, 0));
    EXPECT_EQ(doc.recRaw(0, 0)[0], 0.0f);
}

TEST(SpectrumPool, AbsorbKeepsBlocksValidAndReusesTheRest) {
    SpectrumPool main, staged;
    float* mine = main.Allocate();
    float* theirs = staged.Allocate();
    theirs[1] = 7.0f;
    main.Absorb(staged);
    EXPECT_EQ(staged.BlocksInUse(), 0u);
    EXPECT_EQ(staged.SlabCount(), 0u);
    EXPECT_EQ(main.BlocksInUse(), 2u);
    EXPECT_EQ(main.SlabCount(), 2u);
    EXPECT_EQ(theirs[1], 7.0f);
    main.Release(mine);
    float* again = main.Allocate();
    EXPECT_NE(again, theirs);
    EXPECT_EQ(again[0], 0.0f);
    // Blocks carved after the hand-over do not overlap the absorbed ones.
    for (int i = 0; i < 5000; ++i) {
        float* b = main.AllocateUninitialized();
        ASSERT_NE(b, nullptr);
        ASSERT_FALSE(b == theirs || b == again);
    }
}

TEST(SpectrumPool, EmptySlabsGoBackWhileUsedOnesStay) {
    SpectrumPool pool;
    std::vector<float*> first, second;
    for (int i = 0; i < 16384; ++i) first.push_back(pool.Allocate());  // exactly one slab
    for (int i = 0; i < 10; ++i) second.push_back(pool.Allocate());
    ASSERT_EQ(pool.SlabCount(), 2u);
    for (float* b : first) pool.Release(b);
    second[3][7] = 5.0f;
    pool.ReleaseEmptySlabs();
    EXPECT_EQ(pool.SlabCount(), 1u);
    EXPECT_EQ(pool.BlocksInUse(), 10u);
    EXPECT_EQ(second[3][7], 5.0f);
    // No block of the dropped slab is handed out again.
    for (int i = 0; i < 100; ++i) {
        float* b = pool.Allocate();
        ASSERT_EQ(std::find(first.begin(), first.end(), b), first.end());
    }
}

TEST(DataFile, LoadingOverRecordsDoesNotKeepTheReplacedMemory) {
    Cvarnello_mfDoc doc;
    doc.headCount = 1;
    for (int r = 0; r < 40000; ++r) doc.EnsureRecordArrays(0, r);
    doc.recordCount[0] = 40000;
    const std::string path = ::testing::TempDir() + "vmf-store-reload.vqdata";
    std::string error;
    ASSERT_TRUE(doc.SaveToFile(path, error)) << error;
    const std::size_t slabs = doc.Pool().SlabCount();
    ASSERT_TRUE(doc.LoadFromFile(path, error)) << error;
    EXPECT_EQ(doc.Pool().BlocksInUse(), 80000u);
    // A long series loads its two halves from pools of their own, so two
    // slabs may be partly used; the replaced records' slabs must be gone.
    EXPECT_LE(doc.Pool().SlabCount(), slabs + 2);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace vmf
