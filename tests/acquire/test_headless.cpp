// The headless runner on a fake clock, the averaged read and typed numbers.

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "acquire/HeadlessAcquisition.h"
#include "acquire/ReadAveragedSpectrum.h"
#include "device/SimulatedDeviceLibrary.h"
#include "store/JournalFormat.h"
#include "store/TextCodec.h"

namespace vmf::test {
namespace {

std::unique_ptr<SimulatedDeviceLibrary> Bench(
    const char* text = "0:head:SN000001;1:head:SN000002;2:led16;3:mirror;timescale=0") {
    std::string error;
    auto lib = SimulatedDeviceLibrary::FromText(text, error);
    EXPECT_TRUE(lib) << error;
    return lib;
}

struct FakeTime {
    uint32_t now = 5000;
    std::vector<uint32_t> sleeps;
    HeadlessAcquisition::Clock Clock() {
        return [this] { return now; };
    }
    HeadlessAcquisition::Sleep Sleep() {
        return [this](uint32_t ms) {
            sleeps.push_back(ms);
            now += ms;
        };
    }
};

TEST(Headless, KeepsExactlyTheRequestedRecordsWithHistoryAndSavesThem) {
    auto lib = Bench();
    Cvarnello_mfDoc doc;
    FakeTime t;
    HeadlessAcquisition run(doc, *lib, t.Clock(), t.Sleep());
    HeadlessAcquireOptions opt;
    opt.count = 100;
    opt.exposureUs = 2000;
    int lastDone = 0;
    const auto result = run.Run(opt, nullptr, [&](int done, int total, uint32_t) {
        EXPECT_EQ(total, 100);
        EXPECT_EQ(done, lastDone + 1);
        lastDone = done;
    });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.heads, 2);
    EXPECT_EQ(result.records, 100);
    EXPECT_FALSE(result.interrupted);
    EXPECT_EQ(doc.recordCount[0], 100);
    EXPECT_EQ(doc.recordCount[1], 100);
    EXPECT_EQ(doc.recExposureUs(1, 99), 2000);
    // On an instant bench every cycle starts in the previous one's hand-over:
    // the only wait is the 10 ms from Start to the first cycle.
    EXPECT_EQ(result.elapsedMs, 10u);
    EXPECT_EQ(t.sleeps, std::vector<uint32_t>{10u});

    const std::string history = Cp932ToUtf8(doc.historyText);
    EXPECT_NE(history.find(
                  "ヴァルネロ検出 1:serial=SN000001 exp=10000  2:serial=SN000002 exp=10000  \r\n"),
              std::string::npos);
    EXPECT_NE(history.find("計測開始 DataNo=0 wave comp=0 1:serial=SN000001 "
                           "exp=20002:serial=SN000002 exp=2000\r\n"),
              std::string::npos);
    EXPECT_NE(history.find("計測終了 DataNo=99\r\n"), std::string::npos);

    const auto path =
        (std::filesystem::temp_directory_path() / "vmf_headless_test.vqdata").string();
    std::string error;
    ASSERT_TRUE(doc.SaveToFile(path, error)) << error;
    Cvarnello_mfDoc back;
    ASSERT_TRUE(back.LoadFromFile(path, error)) << error;
    EXPECT_EQ(back.recordCount[0], 100);
    EXPECT_EQ(back.recordCount[1], 100);
    EXPECT_EQ(back.historyText, doc.historyText);
    std::remove(path.c_str());
}

TEST(Headless, IntervalCyclesStartOnTheGrid) {
    auto lib = Bench();
    Cvarnello_mfDoc doc;
    FakeTime t;
    HeadlessAcquisition run(doc, *lib, t.Clock(), t.Sleep());
    HeadlessAcquireOptions opt;
    opt.count = 5;
    opt.intervalMs = 250;
    const auto result = run.Run(opt, nullptr, {});
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.records, 5);
    // First cycle 10 ms after Start, the fifth 4 × 250 ms later and handed
    // over as soon as it is done.
    EXPECT_EQ(result.elapsedMs, 10u + 4u * 250u);
}

TEST(Headless, AStopRequestEndsAfterTheCycleInProgressAndKeepsIt) {
    auto lib = Bench();
    Cvarnello_mfDoc doc;
    FakeTime t;
    HeadlessAcquisition run(doc, *lib, t.Clock(), t.Sleep());
    std::atomic<bool> stop{false};
    HeadlessAcquireOptions opt;
    opt.count = 1000;
    const auto result = run.Run(opt, &stop, [&](int done, int, uint32_t) {
        if (done == 7) stop = true;
    });
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(result.interrupted);
    // The flag is seen right after the 7th hand-over; the 8th cycle was not begun.
    EXPECT_EQ(result.records, 7);
    EXPECT_NE(Cp932ToUtf8(doc.historyText).find("計測終了 DataNo=6\r\n"), std::string::npos);
}

TEST(Headless, RefusesBadOptionsAndBenchesWithoutHeads) {
    Cvarnello_mfDoc doc;
    FakeTime t;
    auto lib = Bench();
    HeadlessAcquisition run(doc, *lib, t.Clock(), t.Sleep());
    HeadlessAcquireOptions opt;
    opt.count = 0;
    EXPECT_FALSE(run.Run(opt, nullptr, {}).ok);
    opt.count = LAST_RECORD + 1;
    EXPECT_FALSE(run.Run(opt, nullptr, {}).ok);
    opt.count = 1;
    opt.averageCount = 0;
    EXPECT_FALSE(run.Run(opt, nullptr, {}).ok);
    EXPECT_EQ(doc.headCount, 0);  // refused before detection

    auto ledOnly = Bench("2:led16;timescale=0");
    HeadlessAcquisition none(doc, *ledOnly, t.Clock(), t.Sleep());
    const auto result = none.Run(HeadlessAcquireOptions{}, nullptr, {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "no spectrometer head found");
}

TEST(ReadAveraged, AveragesInSinglePrecisionAndCountsFailedReadsAsZeros) {
    auto lib = Bench("0:head;scene=dark;timescale=0");
    Cvarnello_mfDoc doc;
    ASSERT_EQ(lib->DevOpen(DeviceNumber(0)), 1);
    ChannelSpectrum current{};
    ASSERT_TRUE(ReadAveragedSpectrum(doc, *lib, 0, 3, 4, current));
    ASSERT_NE(doc.recRaw(0, 3), nullptr);
    EXPECT_EQ(doc.recRaw(0, 3)[10], current[10]);
    EXPECT_GT(current[10], 100.0f);

    lib->FailSpectrumReads(DeviceNumber(0), 1);
    ChannelSpectrum half{};
    ASSERT_TRUE(ReadAveragedSpectrum(doc, *lib, 0, 3, 2, half));
    // One read of two failed: about half the dark level, never stale data.
    EXPECT_LT(half[10], current[10] * 0.75f);
    EXPECT_GT(half[10], current[10] * 0.25f);

    EXPECT_FALSE(ReadAveragedSpectrum(doc, *lib, 0, 4, 0, current));
    EXPECT_EQ(doc.recRaw(0, 4), nullptr);
    EXPECT_FALSE(ReadAveragedSpectrum(doc, *lib, 0, MAX_RECORDS, 1, current));
    EXPECT_FALSE(ReadAveragedSpectrum(doc, *lib, MAX_HEADS, 0, 1, current));
}

}  // namespace
}  // namespace vmf::test

namespace vmf::test {
namespace {

// Each cycle is stamped with the wall clock once its last head is read, and
// the hand-over that counts the records journals exactly those records.
TEST(Headless, CountedRecordsAreStampedAndJournalled) {
    auto lib = Bench();
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    FakeTime t;
    HeadlessAcquisition run(*doc, *lib, t.Clock(), t.Sleep());
    int64_t wall = 1796722138000;
    run.SetWallClock([&] { return RecordTime{wall += 250, 32400}; });
    const std::string path = ::testing::TempDir() + "headless-" + std::to_string(::getpid());
    RecordJournal journal(path);
    run.SetJournal(&journal);
    HeadlessAcquireOptions opt;
    opt.count = 20;
    ASSERT_TRUE(run.Run(opt, nullptr, {}).ok);
    ASSERT_TRUE(journal.Flush());

    EXPECT_EQ(doc->recTimeUtcMs(0, 0), 1796722138250);
    EXPECT_EQ(doc->recTimeUtcMs(1, 0), 1796722138250);
    EXPECT_EQ(doc->recTimeUtcMs(1, 19), 1796722138250 + 19 * 250);
    EXPECT_EQ(doc->recUtcOffsetS(0, 5), 32400);

    auto back = std::make_unique<Cvarnello_mfDoc>();
    JournalReplay replay;
    std::string error;
    ASSERT_TRUE(ReplayJournalFile(path, *back, replay, error)) << error;
    EXPECT_FALSE(replay.damaged);
    EXPECT_EQ(back->recordCount, doc->recordCount);
    EXPECT_EQ(back->historyText, doc->historyText);  // the end entry came with Stop
    for (int a = 0; a < 2; ++a)
        for (int r = 0; r < 20; ++r) {
            EXPECT_EQ(back->recTimeUtcMs(a, r), doc->recTimeUtcMs(a, r));
            EXPECT_EQ(0, std::memcmp(back->recRaw(a, r), doc->recRaw(a, r), 288 * sizeof(float)));
        }
    journal.Remove();
}

}  // namespace
}  // namespace vmf::test
