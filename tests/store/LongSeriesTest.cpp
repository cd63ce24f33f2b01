// Long record series: loading reads them in two halves at once, and released
// slabs are kept for reuse. These cases make sure neither shortcut shows.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "StoreSample.h"
#include "StoreTestUtil.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/SlabCache.h"

namespace vmf {
namespace {

using testing::ExpectSameStore;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

// Head 0: 8000 records of 288 channels (18.5 MB, long enough to be split);
// head 1: three records of 5 channels. Every value tells its record apart.
void FillLong(Cvarnello_mfDoc& doc) {
    doc.headCount = 2;
    doc.headKind = {"C12880MA", "C12880MA"};
    doc.serialNo[0] = "L0";
    doc.serialNo[1] = "L1";
    doc.channelCount[1] = 5;
    const int counts[] = {8000, 3};
    for (int a = 0; a < 2; ++a) {
        for (int r = 0; r < counts[a]; ++r) {
            ASSERT_TRUE(doc.EnsureRecordArrays(a, r));
            doc.recExposureUs(a, r) = 1000 + r;
            doc.recTemperatureC(a, r) = 0.25f * static_cast<float>(r);
            for (int c = 0; c < doc.channelCount[a]; ++c) {
                doc.recRaw(a, r)[c] = static_cast<float>(r * 1000 + c);
                doc.recProcessed(a, r)[c] = -static_cast<float>(r) - 0.5f * static_cast<float>(c);
            }
        }
        doc.recordCount[a] = counts[a];
    }
    doc.historyText = "long series";
}

class LongSeries : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = std::make_unique<Cvarnello_mfDoc>();
        FillLong(*source_);
        std::string error;
        ASSERT_TRUE(source_->SaveToFile(path_, error)) << error;
    }
    ScratchDir dir_;
    const std::string path_ = dir_.File("long.vqdata");
    std::unique_ptr<Cvarnello_mfDoc> source_;
};

TEST_F(LongSeries, LoadsIntoNewAndRecordedStoresAlike) {
    std::string error;
    auto fresh = std::make_unique<Cvarnello_mfDoc>();
    ASSERT_TRUE(fresh->LoadFromFile(path_, error)) << error;
    ExpectSameStore(*source_, *fresh);

    // Over a store that has records of its own: they are replaced, and the
    // replaced arrays are not kept beside the new ones.
    auto recorded = std::make_unique<Cvarnello_mfDoc>();
    FillLong(*recorded);
    for (int r = 0; r < 8000; ++r) recorded->recRaw(0, r)[7] = 1.0f;
    ASSERT_TRUE(recorded->LoadFromFile(path_, error)) << error;
    ExpectSameStore(*source_, *recorded);
    EXPECT_EQ(recorded->Pool().BlocksInUse(), 2u * (8000 + 3));

    // And it saves back to the same bytes.
    const std::string again = dir_.File("again.vqdata");
    ASSERT_TRUE(recorded->SaveToFile(again, error)) << error;
    EXPECT_EQ(ReadBytes(again), ReadBytes(path_));
}

TEST_F(LongSeries, ACutAnywhereInEitherHalfIsRefusedWithTheStoreUnchanged) {
    const std::vector<uint8_t> full = ReadBytes(path_);
    const std::size_t recordBytes = 8 + 8 * 288;
    // Where head 0's records start: everything after them is head 1's record
    // count, its three records (8 + 40 bytes each) and the history (1 + 11).
    const std::size_t recordsEnd = full.size() - 12 - 3 * 48 - 4;
    const std::size_t recordsStart = recordsEnd - 8000 * recordBytes;
    // Exposure 1000 (E8 03 00 00) opens both series.
    ASSERT_EQ(full[recordsStart], 0xE8);
    ASSERT_EQ(full[recordsStart + 1], 0x03);
    ASSERT_EQ(full[recordsEnd + 4], 0xE8);
    const std::size_t cuts[] = {
        recordsStart + 10,                      // first record
        recordsStart + 1000 * recordBytes + 3,  // inside the first half
        recordsStart + 4000 * recordBytes,      // exactly where the halves meet
        recordsStart + 4000 * recordBytes + 9,  // first record of the second half
        recordsStart + 7999 * recordBytes + 5,  // last record
        recordsEnd + 2,                         // head 1's record count
        full.size() - 1,                        // the history
    };
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    auto reference = std::make_unique<Cvarnello_mfDoc>();
    testing::FillSample(*doc, 5);
    testing::FillSample(*reference, 5);
    const std::string cut = dir_.File("cut.vqdata");
    for (std::size_t n : cuts) {
        WriteBytes(
            cut, std::vector<uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)));
        std::string error;
        FileFailure failure = FileFailure::None;
        EXPECT_FALSE(doc->LoadFromFile(cut, error, failure)) << n;
        EXPECT_EQ(failure, FileFailure::EndOfFile) << n;
        EXPECT_EQ(error, cut + " の末尾以降にアクセスしようとしました。") << n;
    }
    ExpectSameStore(*doc, *reference);
}

TEST(SlabReuse, ReleasedSlabsComeBackForTheNextRecordsAndStartAtZero) {
    SlabCache::Instance().Trim();
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->headCount = 1;
    for (int r = 0; r < 20000; ++r) {
        ASSERT_TRUE(doc->EnsureRecordArrays(0, r));
        doc->recRaw(0, r)[0] = 42.0f;
        doc->recProcessed(0, r)[287] = 42.0f;
    }
    doc->recordCount[0] = 20000;
    const std::size_t slabs = doc->Pool().SlabCount();
    doc->ClearRecords();
    EXPECT_EQ(SlabCache::Instance().KeptCount(), slabs);

    // The next records reuse that memory, and still start out as zeros.
    for (int r = 0; r < 20000; ++r) {
        ASSERT_TRUE(doc->EnsureRecordArrays(0, r));
        ASSERT_EQ(doc->recRaw(0, r)[0], 0.0f) << r;
        ASSERT_EQ(doc->recProcessed(0, r)[287], 0.0f) << r;
    }
    EXPECT_EQ(SlabCache::Instance().KeptCount(), 0u);

    // No more than the limit is kept; the rest goes back at once.
    std::vector<float*> many;
    for (std::size_t i = 0; i < SlabCache::kMaxKept + 3; ++i)
        many.push_back(SlabCache::Instance().Take());
    for (float* slab : many) SlabCache::Instance().Give(slab);
    EXPECT_EQ(SlabCache::Instance().KeptCount(), SlabCache::kMaxKept);
    SlabCache::Instance().Trim();
    EXPECT_EQ(SlabCache::Instance().KeptCount(), 0u);
}

}  // namespace
}  // namespace vmf
