#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "device/CalibrationProtocol.h"
#include "device/HeadCommands.h"
#include "device/RecordingLibrary.h"
#include "device/SimulatedDeviceLibrary.h"

namespace vmf {
namespace {

constexpr DeviceNumber kDev{4};
constexpr HeadSlot kSlot{0};

class CalibrationProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        sim = SimulatedDeviceLibrary::FromText("4:head:SN123456;timescale=0", error);
        ASSERT_TRUE(sim) << error;
        ASSERT_EQ(sim->DevOpen(kDev), 1);
        rec = std::make_unique<test::RecordingLibrary>(*sim);
        doc = std::make_unique<Cvarnello_mfDoc>();
    }
    bool ReadAll() {
        bool ok = ReadWavelengthTable(*doc, *rec, kSlot, kDev);
        for (int s = 0; s < DARK_STEPS; ++s) ok = ReadDarkStep(*doc, *rec, kSlot, kDev, s) && ok;
        ok = ReadGainTable(*doc, *rec, kSlot, kDev) && ok;
        ok = ReadWhiteTable(*doc, *rec, kSlot, kDev) && ok;
        return ReadTransmissionTable(*doc, *rec, kSlot, kDev) && ok;
    }
    bool MaintenanceWrite() {
        bool ok = true;
        for (int s = 0; s < DARK_STEPS; ++s) ok = WriteDarkStep(*doc, *rec, kSlot, kDev, s) && ok;
        ok = WriteWavelengthTable(*doc, *rec, kSlot, kDev) && ok;
        ok = WriteWhiteTable(*doc, *rec, kSlot, kDev) && ok;
        ok = WriteTransmissionTable(*doc, *rec, kSlot, kDev) && ok;
        ok = WriteGainTable(*doc, *rec, kSlot, kDev) && ok;
        return rec->DevSetCoefficients(kDev, doc->wavePoly[0].data()) >= 0 && ok;
    }
    std::unique_ptr<SimulatedDeviceLibrary> sim;
    std::unique_ptr<test::RecordingLibrary> rec;
    std::unique_ptr<Cvarnello_mfDoc> doc;
};

TEST_F(CalibrationProtocol, ReadingOneHeadTakes312CommandsAndFillsTheStore) {
    ASSERT_TRUE(ReadAll());
    auto c = sim->Counters(kDev);
    EXPECT_EQ(c.writes, 312);
    EXPECT_EQ(c.byOpcode[head::kReadWavelength], 288);
    EXPECT_EQ(c.byOpcode[head::kReadDark], 21);
    EXPECT_EQ(
        c.byOpcode[head::kReadGain] + c.byOpcode[head::kReadWhite] + c.byOpcode[head::kReadTrans],
        3);
    auto mem = *sim->Memory(kDev);
    EXPECT_EQ(
        std::memcmp(doc->wavelengthNm[0].data(), mem.wavelengthNm.data(), sizeof mem.wavelengthNm),
        0);
    EXPECT_EQ(std::memcmp(doc->darkTable[0].data(), mem.dark.data(), sizeof mem.dark), 0);
    EXPECT_EQ(std::memcmp(doc->gain[0].data(), mem.gain.data(), sizeof mem.gain), 0);
    // The default memory is sensible: 310..880 nm, dark growing with the step.
    EXPECT_NEAR(doc->wavelengthNm[0][0], 310, 5);
    EXPECT_NEAR(doc->wavelengthNm[0][287], 878, 5);
    EXPECT_GT(doc->darkTable[0][20][100], doc->darkTable[0][1][100] + 300);
    EXPECT_NEAR(doc->gain[0][50], 1.0, 0.05);
}

TEST_F(CalibrationProtocol, CommandsAreLaidOutByteForByte) {
    doc->wavelengthNm[0][1] = 1.5f;   // 0x3FC00000
    doc->darkTable[0][3][2] = -2.0f;  // 0xC0000000
    ReadWavelengthTable(*doc, *rec, kSlot, kDev);
    ReadDarkStep(*doc, *rec, kSlot, kDev, 20);
    ReadWhiteTable(*doc, *rec, kSlot, kDev);
    doc->wavelengthNm[0][1] = 1.5f;
    doc->darkTable[0][3][2] = -2.0f;
    rec->commands.clear();
    WriteWavelengthTable(*doc, *rec, kSlot, kDev);
    WriteDarkStep(*doc, *rec, kSlot, kDev, 3);
    ASSERT_EQ(rec->commands.size(), 289u + 289u);

    std::vector<uint8_t> writeValue(64, 0);
    writeValue[0] = 0x78;
    writeValue[1] = 8;
    writeValue[2] = 1;
    writeValue[3] = 0;
    writeValue[4] = 0x00;
    writeValue[5] = 0x00;
    writeValue[6] = 0xC0;
    writeValue[7] = 0x3F;
    EXPECT_EQ(rec->commands[1].bytes, writeValue);
    std::vector<uint8_t> closing(64, 0);
    closing[0] = 0x78;
    closing[1] = 8;
    closing[2] = 0x20;
    closing[3] = 0x01;  // index 288, 0.0
    EXPECT_EQ(rec->commands[288].bytes, closing);
    EXPECT_EQ(rec->commands[289 + 2].bytes,
              (std::vector<uint8_t>{0x7A, 10, 3, 0, 2, 0, 0x00, 0x00, 0x00, 0xC0}));
    EXPECT_EQ(rec->commands[289 + 288].bytes,
              (std::vector<uint8_t>{0x7A, 10, 3, 0, 0x20, 0x01, 0, 0, 0, 0}));
    for (const auto& cmd : rec->commands) EXPECT_EQ(cmd.dev, kDev.value);
    // Every write reads a 1-byte reply.
    for (size_t i = rec->readSizes.size() - 578; i < rec->readSizes.size(); ++i)
        EXPECT_EQ(rec->readSizes[i], 1);
}

TEST_F(CalibrationProtocol, ReadCommandsAreLaidOutByteForByte) {
    ReadWavelengthTable(*doc, *rec, kSlot, kDev);
    ReadDarkStep(*doc, *rec, kSlot, kDev, 20);
    ReadGainTable(*doc, *rec, kSlot, kDev);
    ReadWhiteTable(*doc, *rec, kSlot, kDev);
    ReadTransmissionTable(*doc, *rec, kSlot, kDev);
    ASSERT_EQ(rec->commands.size(), 288u + 4u);
    EXPECT_EQ(rec->commands[0].bytes, (std::vector<uint8_t>{0x58, 4, 0, 0}));
    EXPECT_EQ(rec->commands[287].bytes, (std::vector<uint8_t>{0x58, 4, 0x1F, 0x01}));
    EXPECT_EQ(rec->commands[288].bytes, (std::vector<uint8_t>{0x5A, 4, 20, 0}));
    const uint8_t opcodes[] = {0x59, 0x57, 0x55};
    for (int i = 0; i < 3; ++i) {
        std::vector<uint8_t> table(64, 0);
        table[0] = opcodes[i];
        table[1] = 2;
        EXPECT_EQ(rec->commands[289 + i].bytes, table);
    }
    EXPECT_EQ(rec->readSizes[0], 4);
    EXPECT_EQ(rec->readSizes[288], 1152);
    EXPECT_EQ(rec->readSizes[289], 1156);
}

TEST_F(CalibrationProtocol, MaintenanceWriteSends7228ValueCommandsThenCoefficients) {
    ReadAll();
    sim->ResetCounters();
    ASSERT_TRUE(MaintenanceWrite());
    auto c = sim->Counters(kDev);
    EXPECT_EQ(c.writes, 21 * 289 + 289 + 3 * 290);
    EXPECT_EQ(c.writes, 7228);
    EXPECT_EQ(c.byOpcode[head::kWriteDark], 21 * 289);
    EXPECT_EQ(c.byOpcode[head::kWriteWhite], 290);
    EXPECT_EQ(c.setCoefficients, 1);
}

TEST_F(CalibrationProtocol, TablesWrittenComeBackBitForBit) {
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        doc->wavelengthNm[0][c] = 300.125f + c * 1.9921875f;
        doc->darkTable[0][7][c] = -c * 0.375f;
        doc->gain[0][c] = 1.0f / (c + 3);
        doc->whiteRef[0][c] = 1234.5f + c;
        doc->transRef[0][c] = 1e-7f * c;
    }
    doc->whiteRef[0][288] = 10000.0f;
    doc->transRef[0][288] = 20000.0f;
    doc->gain[0][288] = 30000.0f;
    doc->wavePoly[0] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(MaintenanceWrite());

    const Cvarnello_mfDoc& d = *doc;
    auto fresh = std::make_unique<Cvarnello_mfDoc>();
    ASSERT_TRUE(ReadWavelengthTable(*fresh, *sim, kSlot, kDev));
    for (int s = 0; s < DARK_STEPS; ++s) ASSERT_TRUE(ReadDarkStep(*fresh, *sim, kSlot, kDev, s));
    ASSERT_TRUE(ReadGainTable(*fresh, *sim, kSlot, kDev));
    ASSERT_TRUE(ReadWhiteTable(*fresh, *sim, kSlot, kDev));
    ASSERT_TRUE(ReadTransmissionTable(*fresh, *sim, kSlot, kDev));
    EXPECT_EQ(std::memcmp(fresh->wavelengthNm[0].data(), d.wavelengthNm[0].data(),
                          sizeof d.wavelengthNm[0]),
              0);
    EXPECT_EQ(std::memcmp(fresh->darkTable[0].data(), d.darkTable[0].data(), sizeof d.darkTable[0]),
              0);
    EXPECT_EQ(std::memcmp(fresh->gain[0].data(), d.gain[0].data(), sizeof d.gain[0]), 0);
    EXPECT_EQ(std::memcmp(fresh->whiteRef[0].data(), d.whiteRef[0].data(), sizeof d.whiteRef[0]),
              0);
    EXPECT_EQ(std::memcmp(fresh->transRef[0].data(), d.transRef[0].data(), sizeof d.transRef[0]),
              0);
    double coeffs[WAVE_COEFFS];
    sim->DevGetCoefficients(kDev, coeffs);
    EXPECT_EQ(coeffs[5], 6.0);
}

TEST_F(CalibrationProtocol, ShortMissingOrFailedRepliesLeaveTheStoreAsItWas) {
    const ReplyFault faults[] = {ReplyFault::Short, ReplyFault::Empty};
    for (ReplyFault fault : faults) {
        doc->wavelengthNm[0].fill(7.0f);
        doc->darkTable[0][5].fill(8.0f);
        doc->whiteRef[0].fill(9.0f);
        sim->SetReplyFault(kDev, fault);
        EXPECT_FALSE(ReadWavelengthTable(*doc, *sim, kSlot, kDev));
        EXPECT_FALSE(ReadDarkStep(*doc, *sim, kSlot, kDev, 5));
        EXPECT_FALSE(ReadWhiteTable(*doc, *sim, kSlot, kDev));
        EXPECT_FALSE(WriteGainTable(*doc, *sim, kSlot, kDev));
        EXPECT_EQ(doc->wavelengthNm[0][0], 7.0f);
        EXPECT_EQ(doc->wavelengthNm[0][287], 7.0f);
        EXPECT_EQ(doc->darkTable[0][5][100], 8.0f);
        EXPECT_EQ(doc->whiteRef[0][288], 9.0f);
    }
    sim->SetReplyFault(kDev, ReplyFault::None);
    sim->ResetCounters();
    // Unplugged after 100 wavelength commands: nothing of the partial table lands.
    sim->UnplugAfterCommands(kDev, 100);
    EXPECT_FALSE(ReadWavelengthTable(*doc, *sim, kSlot, kDev));
    EXPECT_EQ(doc->wavelengthNm[0][0], 7.0f);
    EXPECT_EQ(sim->Counters(kDev).byOpcode[head::kReadWavelength], 100);
    EXPECT_FALSE(ReadGainTable(*doc, *sim, kSlot, kDev));
    EXPECT_FALSE(WriteDarkStep(*doc, *sim, kSlot, kDev, 0));
    EXPECT_FALSE(ReadDarkStep(*doc, *sim, kSlot, kDev, 21));  // no such step: nothing sent
}

TEST(WriteSerial, BytesSentFollowTheSerialRules) {
    std::string error;
    auto sim = SimulatedDeviceLibrary::FromText("2:head;timescale=0", error);
    ASSERT_TRUE(sim);
    sim->DevOpen(DeviceNumber(2));
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    auto write = [&](std::string_view text) {
        return WriteSerial(*doc, *sim, kSlot, DeviceNumber(2), text);
    };

    EXPECT_EQ(write("-AB12345"), SerialWrite::Sent);
    EXPECT_EQ(sim->Counters(DeviceNumber(2)).lastSerialBytes, std::string("AB12345\0", 8));
    EXPECT_EQ(sim->Memory(DeviceNumber(2))->serial, "AB12345");

    EXPECT_EQ(write("AB123456789"), SerialWrite::Sent);
    EXPECT_EQ(sim->Counters(DeviceNumber(2)).lastSerialBytes, "AB123456");

    // A leading byte of 0x80 or more counts as below '0' and is dropped.
    EXPECT_EQ(write("\x82"
                    "CD123456"),
              SerialWrite::Sent);
    EXPECT_EQ(sim->Counters(DeviceNumber(2)).lastSerialBytes, "CD123456");
    // Only one leading byte is dropped; '0' itself is kept.
    EXPECT_EQ(write("0123456"), SerialWrite::Sent);
    EXPECT_EQ(sim->Counters(DeviceNumber(2)).lastSerialBytes, std::string("0123456\0", 8));

    const int sent = sim->Counters(DeviceNumber(2)).setSerial;
    EXPECT_EQ(write("ABC12"), SerialWrite::Refused);
    EXPECT_EQ(write("-AB1234"), SerialWrite::Refused);  // six left after the dash
    EXPECT_EQ(write(""), SerialWrite::Refused);
    EXPECT_EQ(write(std::string_view("AB1\0"
                                     "2345678",
                                     11)),
              SerialWrite::Refused);
    EXPECT_EQ(sim->Counters(DeviceNumber(2)).setSerial, sent);

    sim->SetUnplugged(DeviceNumber(2), true);
    EXPECT_EQ(write("AB123456"), SerialWrite::Failed);
}

}  // namespace
}  // namespace vmf
