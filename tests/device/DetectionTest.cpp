#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "device/CalibrationProtocol.h"
#include "device/Detection.h"
#include "device/SimulatedDeviceLibrary.h"
#include "fakes/ScriptedDialogs.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

// 31 January 2024 23:59:59 local time.
std::time_t SampleTime() {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 0;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

std::unique_ptr<SimulatedDeviceLibrary> Bench(const std::string& text) {
    std::string error;
    auto sim = SimulatedDeviceLibrary::FromText(text + ";timescale=0", error);
    EXPECT_TRUE(sim) << error;
    return sim;
}

class Detection : public ::testing::Test {
protected:
    DetectionOutcome Run(DeviceLibrary& lib) {
        return Detect(
            *doc, lib, dialogs, [this](int slot) { derived.push_back(slot); }, SampleTime());
    }
    std::unique_ptr<Cvarnello_mfDoc> doc = std::make_unique<Cvarnello_mfDoc>();
    test::ScriptedDialogs dialogs;
    std::vector<int> derived;
};

TEST_F(Detection, HeadsAtThreeAndFiveGetSlotsZeroAndOne) {
    auto sim = Bench("3:head:A1;5:head:B2;7:led16;8:led8;9:mirror;6:mirror");
    sim->DevSetExposure(DeviceNumber(5), 0);  // not open yet: refused
    auto out = Run(*sim);
    ASSERT_TRUE(out.headsFound);
    EXPECT_FALSE(out.cancelled);
    EXPECT_EQ(doc->headCount, 2);
    EXPECT_EQ(out.headDevice[0], DeviceNumber(3));
    EXPECT_EQ(out.headDevice[1], DeviceNumber(5));
    EXPECT_EQ(out.headList, (std::vector<std::string>{"A1", "B2"}));
    EXPECT_EQ(out.deviceList,
              (std::vector<std::string>{"M-MIRROR", "LED16ch", "LED8ch", "M-MIRROR"}));
    EXPECT_EQ(out.mirrorDevice, DeviceNumber(9));  // the last one found
    EXPECT_EQ(doc->mirrorCount, 2);
    EXPECT_EQ(doc->ledDriverCount, 2);
    EXPECT_EQ(doc->ledChannelCount[0], 16);
    EXPECT_EQ(doc->ledChannelCount[1], 8);
    EXPECT_EQ(doc->headKind[1], "C12880MA");
    EXPECT_EQ(doc->channelCount[1], 288);
    EXPECT_EQ(doc->exposureUs[0], 10000);
    EXPECT_EQ(derived, (std::vector<int>{0, 1}));
    EXPECT_EQ(doc->title, "A1_B2_20240131_235959");
    EXPECT_TRUE(dialogs.asked.empty());

    // The slot-1 spectrum comes from device 5, and the tables of slot 1 too.
    auto memory5 = *sim->Memory(DeviceNumber(5));
    EXPECT_EQ(std::memcmp(doc->darkTable[1].data(), memory5.dark.data(), sizeof memory5.dark), 0);
    EXPECT_EQ(doc->wavePoly[1], memory5.coeffs);
    int16_t counts[MAX_CHANNELS];
    ASSERT_EQ(sim->DevReadSpectrum(HeadSlot(1), counts), 0);
    EXPECT_EQ(sim->Counters(DeviceNumber(5)).spectra, 1);
    EXPECT_EQ(sim->Counters(DeviceNumber(3)).spectra, 0);
    EXPECT_EQ(sim->DevReadSpectrum(HeadSlot(2), counts), -1);

    // One history line: stamp, entry, CR LF.
    const std::string history = Cp932ToUtf8(doc->historyText);
    EXPECT_NE(history.find(",ヴァルネロ検出 1:serial=A1 exp=10000  2:serial=B2 exp=10000  \r\n"),
              std::string::npos)
        << history;
}

TEST_F(Detection, ExposureIsTruncatedAndLongSerialCutToEightEverywhere) {
    auto sim = Bench("0:head:ABCDEFGHIJ");
    sim->DevOpen(DeviceNumber(0));
    sim->DevSetExposure(DeviceNumber(0), 12345.9);
    auto out = Run(*sim);
    EXPECT_EQ(doc->exposureUs[0], 12345);
    EXPECT_EQ(doc->serialNo[0], "ABCDEFGH");
    EXPECT_EQ(out.headList, (std::vector<std::string>{"ABCDEFGH"}));
    EXPECT_EQ(doc->title, "ABCDEFGH_20240131_235959");
    EXPECT_NE(doc->historyText.find("1:serial=ABCDEFGH exp=12345  \r\n"), std::string::npos);

    // A 64-byte serial that fills the buffer without a NUL is still cut safely.
    HeadMemory m = *sim->Memory(DeviceNumber(0));
    m.serial = std::string(64, 'Z');
    sim->SetMemory(DeviceNumber(0), m);
    Run(*sim);
    EXPECT_EQ(doc->serialNo[0], "ZZZZZZZZ");
}

TEST_F(Detection, OnlyLedDriverOrMirrorAndUnknownKindsFindNoHeads) {
    auto sim = Bench("1:led16;2:kind:77;4:mirror");
    const std::string historyBefore = doc->historyText;
    auto out = Run(*sim);
    EXPECT_FALSE(out.headsFound);
    EXPECT_EQ(doc->headCount, 0);
    EXPECT_TRUE(out.headList.empty());
    EXPECT_EQ(out.deviceList, (std::vector<std::string>{"LED16ch", "M-MIRROR"}));
    ASSERT_EQ(out.devices.size(), 2u);  // kind 77 is not listed
    EXPECT_EQ(out.devices[1].number, DeviceNumber(4));
    EXPECT_EQ(doc->historyText, historyBefore);
    EXPECT_TRUE(doc->title.empty());
    EXPECT_TRUE(derived.empty());

    auto none = Bench("0:kind:5");
    out = Run(*none);
    EXPECT_TRUE(out.deviceList.empty());
    EXPECT_EQ(doc->ledDriverCount, 0);  // counts restart at every detection
    EXPECT_EQ(doc->mirrorCount, 0);
}

TEST_F(Detection, CancelWithRecordsChangesNothingAndOkClearsRecords) {
    auto sim = Bench("0:head:FIRST001");
    Run(*sim);
    ASSERT_TRUE(doc->EnsureRecordArrays(0, 0));
    doc->recordCount[0] = 1;
    const std::string history = doc->historyText;
    const std::string title = doc->title;

    auto other = Bench("0:head:OTHER002;1:head:OTHER003");
    dialogs.okCancelAnswers = {false};
    auto out = Run(*other);
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(dialogs.asked,
              (std::vector<std::string>{
                  "取り込み済みのデータはクリアされますが、よろしかったでしょうか"}));
    EXPECT_EQ(doc->recordCount[0], 1);
    EXPECT_NE(doc->recRaw(0, 0), nullptr);
    EXPECT_EQ(doc->headCount, 1);
    EXPECT_EQ(doc->serialNo[0], "FIRST001");
    EXPECT_EQ(doc->historyText, history);
    EXPECT_EQ(doc->title, title);
    EXPECT_FALSE(other->IsOpen(DeviceNumber(0)));  // not even probed

    dialogs.okCancelAnswers = {true};
    out = Run(*other);
    EXPECT_TRUE(out.headsFound);
    EXPECT_EQ(doc->recordCount[0], 0);
    EXPECT_EQ(doc->recRaw(0, 0), nullptr);
    EXPECT_EQ(doc->headCount, 2);
}

TEST_F(Detection, TableWrittenToAHeadComesBackAtTheNextDetection) {
    auto sim = Bench("2:head:TBL00001");
    auto out = Run(*sim);
    for (int c = 0; c < MAX_CHANNELS; ++c) doc->whiteRef[0][c] = 0.1f * c + 1e-3f;
    doc->whiteRef[0][288] = 15000.0f;
    doc->darkTable[0][19][7] = 123.456f;
    ASSERT_TRUE(WriteWhiteTable(*doc, *sim, HeadSlot(0), out.headDevice[0]));
    ASSERT_TRUE(WriteDarkStep(*doc, *sim, HeadSlot(0), out.headDevice[0], 19));
    const auto white = doc->whiteRef[0];
    const auto dark = doc->darkTable[0];

    auto fresh = std::make_unique<Cvarnello_mfDoc>();
    Detect(*fresh, *sim, dialogs, {}, SampleTime());
    EXPECT_EQ(std::memcmp(fresh->whiteRef[0].data(), white.data(), sizeof white), 0);
    EXPECT_EQ(std::memcmp(fresh->darkTable[0].data(), dark.data(), sizeof dark), 0);
}

TEST_F(Detection, HeadUnpluggedMidwayIsDroppedAndTheRestStaysConsistent) {
    auto sim = Bench("0:head:GOOD0001;1:head:LOST0001;2:head:GOOD0002");
    // Earlier data in slot 1 must not be overwritten by the lost head's part.
    doc->serialNo[1] = "OLD";
    doc->wavelengthNm[1].fill(-1.0f);
    sim->UnplugAfterCommands(DeviceNumber(1), 150);  // mid-way through the wavelengths
    auto out = Run(*sim);
    ASSERT_TRUE(out.headsFound);
    EXPECT_EQ(doc->headCount, 2);
    EXPECT_EQ(out.failedHeads, (std::vector<DeviceNumber>{DeviceNumber(1)}));
    EXPECT_EQ(out.headList, (std::vector<std::string>{"GOOD0001", "GOOD0002"}));
    EXPECT_EQ(out.headDevice[1], DeviceNumber(2));
    EXPECT_EQ(doc->serialNo[1], "GOOD0002");
    EXPECT_EQ(doc->wavelengthNm[1][0], sim->Memory(DeviceNumber(2))->wavelengthNm[0]);
    EXPECT_EQ(doc->title, "GOOD0001_GOOD0002_20240131_235959");
    EXPECT_EQ(derived, (std::vector<int>{0, 1}));
    // The lost head was closed, so slot 1 still reads device 2.
    EXPECT_FALSE(sim->IsOpen(DeviceNumber(1)));
    int16_t counts[MAX_CHANNELS];
    EXPECT_EQ(sim->DevReadSpectrum(HeadSlot(1), counts), 0);
    EXPECT_EQ(sim->Counters(DeviceNumber(2)).spectra, 1);

    // Lost at the very last reply, and with short replies: no slot either.
    auto late = Bench("0:head:LATE0001");
    late->UnplugAfterCommands(DeviceNumber(0), 311);
    out = Run(*late);
    EXPECT_FALSE(out.headsFound);
    auto shortReplies = Bench("0:head:SHRT0001");
    shortReplies->SetReplyFault(DeviceNumber(0), ReplyFault::Short);
    out = Run(*shortReplies);
    EXPECT_EQ(out.failedHeads.size(), 1u);
    EXPECT_EQ(doc->headCount, 0);
}

TEST_F(Detection, ReleaseClosesEveryHeadAndKeepsTheData) {
    auto sim = Bench("1:head:REL00001;2:mirror;4:head:REL00002");
    auto out = Run(*sim);
    const std::string before = doc->historyText;
    Release(*doc, *sim, out.headDevice);
    EXPECT_FALSE(sim->IsOpen(DeviceNumber(1)));
    EXPECT_FALSE(sim->IsOpen(DeviceNumber(4)));
    EXPECT_TRUE(sim->IsOpen(DeviceNumber(2)));  // the mirror stays open
    EXPECT_EQ(doc->headCount, 2);
    EXPECT_EQ(doc->serialNo[1], "REL00002");
    const std::string added = Cp932ToUtf8(doc->historyText.substr(before.size()));
    EXPECT_EQ(added.substr(added.size() - std::strlen(",ヴァルネロ解除 \r\n")),
              ",ヴァルネロ解除 \r\n");
}

}  // namespace
}  // namespace vmf
