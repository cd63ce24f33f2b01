#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "device/HeadCommands.h"
#include "device/HeadSlotOrder.h"
#include "device/SimulatedDeviceLibrary.h"

namespace vmf {
namespace {

std::unique_ptr<SimulatedDeviceLibrary> Bench(const std::string& text) {
    std::string error;
    auto sim = SimulatedDeviceLibrary::FromText(text, error);
    EXPECT_TRUE(sim) << error;
    return sim;
}

std::array<double, MAX_CHANNELS> Mean(SimulatedDeviceLibrary& sim, HeadSlot slot, int reads) {
    std::array<double, MAX_CHANNELS> sum{};
    int16_t counts[MAX_CHANNELS];
    for (int i = 0; i < reads; ++i) {
        EXPECT_EQ(sim.DevReadSpectrum(slot, counts), 0);
        for (int c = 0; c < MAX_CHANNELS; ++c) sum[c] += counts[c];
    }
    for (double& v : sum) v /= reads;
    return sum;
}

TEST(SimulatedBench, DevicesAnswerOnlyWhenPresentPluggedAndOpen) {
    auto sim = Bench("0:head:SN1;2:led16;3:mirror;5:kind:99;timescale=0");
    double exposure = 0;
    EXPECT_EQ(sim->DevGetExposure(DeviceNumber(0), &exposure), -1);  // not opened yet
    EXPECT_EQ(sim->DevOpen(DeviceNumber(1)), 0);
    EXPECT_EQ(sim->DevOpen(DeviceNumber(10)), 0);
    EXPECT_EQ(sim->DevOpen(DeviceNumber(-1)), 0);
    for (int n : {0, 2, 3, 5}) EXPECT_EQ(sim->DevOpen(DeviceNumber(n)), 1);
    EXPECT_EQ(sim->DevGetKind(DeviceNumber(0)), 33);
    EXPECT_EQ(sim->DevGetKind(DeviceNumber(2)), 13);
    EXPECT_EQ(sim->DevGetKind(DeviceNumber(3)), 34);
    EXPECT_EQ(sim->DevGetKind(DeviceNumber(5)), 99);
    char text[kInfoTextSize];
    EXPECT_GT(sim->DevGetInfoText1(DeviceNumber(0), text, kInfoTextSize), 0);
    EXPECT_LT(std::strlen(text), size_t(kInfoTextSize));
    EXPECT_EQ(sim->DevSetMirrorPosition(DeviceNumber(3), 1234), 0);
    EXPECT_EQ(sim->MirrorPosition(DeviceNumber(3)), 1234);
    EXPECT_EQ(sim->DevSetMirrorPosition(DeviceNumber(0), 1), -1);
    double coeffs[WAVE_COEFFS] = {1, 1, 1, 1, 1, 1};
    EXPECT_EQ(sim->DevGetCoefficients(DeviceNumber(2), coeffs), 0);  // an LED driver has none
    EXPECT_EQ(coeffs[0], 0.0);
    EXPECT_EQ(sim->DevSetCoefficients(DeviceNumber(2), coeffs), -1);
    EXPECT_EQ(sim->DevSetExposure(DeviceNumber(3), 100), -1);
    EXPECT_EQ(sim->DevSetExposure(DeviceNumber(0), -5), -1);
    EXPECT_EQ(sim->DevSetExposure(DeviceNumber(0), 265.7), 0);
    EXPECT_EQ(sim->DevGetExposure(DeviceNumber(0), &exposure), 0);
    EXPECT_EQ(exposure, 265.7);
    int16_t tenths = 0;
    sim->SetTemperature(DeviceNumber(0), 31.26);
    EXPECT_EQ(sim->DevGetTemperature(DeviceNumber(0), &tenths), 0);
    EXPECT_EQ(tenths, 313);

    sim->SetUnplugged(DeviceNumber(0), true);
    EXPECT_EQ(sim->DevGetKind(DeviceNumber(0)), -1);
    EXPECT_EQ(sim->DevOpen(DeviceNumber(0)), 0);
    int16_t counts[MAX_CHANNELS];
    EXPECT_EQ(sim->DevReadSpectrum(HeadSlot(0), counts), -1);
    sim->SetUnplugged(DeviceNumber(0), false);
    EXPECT_EQ(sim->DevReadSpectrum(HeadSlot(0), counts), 0);
    sim->FailSpectrumReads(DeviceNumber(0), 2);
    EXPECT_EQ(sim->DevReadSpectrum(HeadSlot(0), counts), -1);
    EXPECT_EQ(sim->DevReadSpectrum(HeadSlot(0), counts), -1);
    EXPECT_EQ(sim->DevReadSpectrum(HeadSlot(0), counts), 0);
}

TEST(SimulatedBench, SlotsFollowOpenedHeadsInDeviceNumberOrder) {
    auto sim = Bench("2:head:A;6:head:B;8:head:C;timescale=0");
    int16_t counts[MAX_CHANNELS];
    sim->DevOpen(DeviceNumber(8));
    sim->DevOpen(DeviceNumber(2));
    EXPECT_EQ(sim->DevReadSpectrum(HeadSlot(1), counts), 0);
    EXPECT_EQ(sim->Counters(DeviceNumber(8)).spectra, 1);  // 6 is not open
    sim->DevOpen(DeviceNumber(6));
    sim->DevReadSpectrum(HeadSlot(1), counts);
    EXPECT_EQ(sim->Counters(DeviceNumber(6)).spectra, 1);
    sim->DevClose(DeviceNumber(2));
    sim->DevReadSpectrum(HeadSlot(0), counts);
    EXPECT_EQ(sim->Counters(DeviceNumber(6)).spectra, 2);
    EXPECT_EQ(sim->DevReadSpectrum(HeadSlot(2), counts), -1);
    EXPECT_EQ(sim->DevReadSpectrum(HeadSlot(-1), counts), -1);
}

// The rule the Windows binding uses too.
TEST(HeadSlotOrder, KthOpenHeadInDeviceNumberOrder) {
    std::array<bool, MAX_DEVICES> open{};
    std::array<int, MAX_DEVICES> kind{};
    kind = {kKindMirror, kKindSpectrometer, 0, kKindSpectrometer,
            kKindLed16,  kKindSpectrometer, 0, 0,
            0,           kKindSpectrometer};
    open = {true, true, false, false, true, true, false, false, false, true};
    EXPECT_EQ(DeviceForSlot(open, kind, HeadSlot(0)), DeviceNumber(1));
    EXPECT_EQ(DeviceForSlot(open, kind, HeadSlot(1)), DeviceNumber(5));  // 3 is not open
    EXPECT_EQ(DeviceForSlot(open, kind, HeadSlot(2)), DeviceNumber(9));
    EXPECT_FALSE(DeviceForSlot(open, kind, HeadSlot(3)));
    EXPECT_FALSE(DeviceForSlot(open, kind, HeadSlot(-1)));
}

TEST(SimulatedBench, UnknownOrMalformedCommandsGetANak) {
    auto sim = Bench("0:head;1:led8;timescale=0");
    sim->DevOpen(DeviceNumber(0));
    sim->DevOpen(DeviceNumber(1));
    auto reply = [&](DeviceNumber dev, std::vector<uint8_t> cmd) {
        uint8_t buffer[2000];
        EXPECT_GE(sim->DevWrite(dev, cmd.data(), static_cast<int>(cmd.size())), 0);
        int n = sim->DevRead(dev, buffer, sizeof buffer);
        return std::vector<uint8_t>(buffer, buffer + std::max(n, 0));
    };
    const std::vector<uint8_t> nak{head::kNak};
    EXPECT_EQ(reply(DeviceNumber(0), {0x41, 4, 0, 0}), nak);        // unknown opcode
    EXPECT_EQ(reply(DeviceNumber(0), {0x58, 3, 0, 0}), nak);        // wrong count byte
    EXPECT_EQ(reply(DeviceNumber(0), {0x58, 4, 0}), nak);           // too short
    EXPECT_EQ(reply(DeviceNumber(0), {0x58, 4, 0x20, 0x01}), nak);  // channel 288
    EXPECT_EQ(reply(DeviceNumber(0), {0x5A, 4, 21, 0}), nak);       // step 21
    EXPECT_EQ(reply(DeviceNumber(0), {0x7A, 10, 0, 0, 0x21, 0x01, 0, 0, 0, 0}),
              nak);                                     // channel 289
    EXPECT_EQ(reply(DeviceNumber(0), {0x57, 2}), nak);  // table read of 2 bytes, not 64
    EXPECT_EQ(sim->DevWrite(DeviceNumber(0), nullptr, 0), -1);
    EXPECT_EQ(reply(DeviceNumber(1), {0x58, 4, 0, 0}), nak);  // LED drivers have no tables
    EXPECT_EQ(reply(DeviceNumber(0), {0x58, 4, 0, 0}).size(), 4u);
    // A reply is read once; a second read gets nothing.
    uint8_t buffer[8];
    EXPECT_EQ(sim->DevRead(DeviceNumber(0), buffer, sizeof buffer), 0);
    // The memory is unchanged by all of that.
    auto fresh = Bench("0:head");
    EXPECT_EQ(sim->Memory(DeviceNumber(0))->dark, fresh->Memory(DeviceNumber(0))->dark);
}

TEST(SimulatedBench, SpectraFollowTheSceneExposureAndDarkModel) {
    auto sim = Bench("0:head:PHYS0001;scene=white;timescale=0;seed=3");
    sim->DevOpen(DeviceNumber(0));
    sim->DevSetExposure(DeviceNumber(0), 10000);
    auto white = Mean(*sim, HeadSlot(0), 20);
    double peak = *std::max_element(white.begin(), white.end());
    EXPECT_GT(peak, 2500);  // a few thousand counts on the default 0..8192 axis
    EXPECT_LT(peak, 6000);
    for (int c : {10, 150, 280})
        EXPECT_NEAR(white[c], *sim->ExpectedCounts(DeviceNumber(0), Scene::White, 10000, c),
                    3 + 0.02 * white[c]);

    // Dark grows linearly with exposure and matches the default dark table.
    sim->SetScene(Scene::Dark);
    auto memory = *sim->Memory(DeviceNumber(0));
    sim->SetTemperature(DeviceNumber(0), 25.0);
    sim->DevSetExposure(DeviceNumber(0), 500000);
    auto dark10 = Mean(*sim, HeadSlot(0), 20);
    sim->DevSetExposure(DeviceNumber(0), 265);
    auto dark0 = Mean(*sim, HeadSlot(0), 20);
    for (int c : {0, 144, 287}) {
        EXPECT_NEAR(dark10[c], memory.dark[10][c], 2.0);
        EXPECT_NEAR(dark0[c], memory.dark[0][c], 2.0);
        EXPECT_GT(dark10[c], dark0[c] + 100);
    }
    // Warmer heads read higher dark counts.
    sim->SetTemperature(DeviceNumber(0), 35.0);
    auto warm = Mean(*sim, HeadSlot(0), 20);
    EXPECT_NEAR(warm[144] - dark0[144], 15.0, 2.0);

    // Saturation clips to signed 16-bit instead of wrapping.
    sim->SetScene(Scene::Halogen);
    sim->DevSetExposure(DeviceNumber(0), 5e6);
    int16_t counts[MAX_CHANNELS];
    sim->DevReadSpectrum(HeadSlot(0), counts);
    EXPECT_EQ(*std::max_element(counts, counts + MAX_CHANNELS), 32767);
    EXPECT_GT(*std::min_element(counts, counts + MAX_CHANNELS), 0);
}

TEST(SimulatedBench, SameSeedSameSpectraAndScenesDiffer) {
    auto a = Bench("0:head:S;timescale=0;seed=9");
    auto b = Bench("0:head:S;timescale=0;seed=9");
    a->DevOpen(DeviceNumber(0));
    b->DevOpen(DeviceNumber(0));
    int16_t ca[MAX_CHANNELS], cb[MAX_CHANNELS];
    a->DevReadSpectrum(HeadSlot(0), ca);
    b->DevReadSpectrum(HeadSlot(0), cb);
    EXPECT_TRUE(std::equal(ca, ca + MAX_CHANNELS, cb));
    // The filter passes green and blocks red; the sample reflects red.
    auto red = *a->ExpectedCounts(DeviceNumber(0), Scene::Sample, 10000, 230);
    auto green = *a->ExpectedCounts(DeviceNumber(0), Scene::Sample, 10000, 120);
    EXPECT_GT(red, green);
    auto fRed = *a->ExpectedCounts(DeviceNumber(0), Scene::Filter, 10000, 230);
    auto fGreen = *a->ExpectedCounts(DeviceNumber(0), Scene::Filter, 10000, 120);
    EXPECT_GT(fGreen, fRed);
}

TEST(SimulatedBench, ReadTakesExposureTimesTimeScale) {
    auto sim = Bench("0:head;timescale=1");
    sim->DevOpen(DeviceNumber(0));
    sim->DevSetExposure(DeviceNumber(0), 30000);
    int16_t counts[MAX_CHANNELS];
    auto t0 = std::chrono::steady_clock::now();
    sim->DevReadSpectrum(HeadSlot(0), counts);
    auto slow = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(slow, std::chrono::milliseconds(30));
    sim->SetTimeScale(0);
    t0 = std::chrono::steady_clock::now();
    sim->DevReadSpectrum(HeadSlot(0), counts);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(20));
}

}  // namespace
}  // namespace vmf

namespace vmf {
namespace {

TEST(SimulatedBench, MemoryFolderKeepsWrittenTablesAcrossBenches) {
    const std::string folder = ::testing::TempDir();
    const std::string file = folder + "/head3.vmfmem";
    std::remove(file.c_str());
    const std::string text = "3:head:KEEP0001;timescale=0;memory=" + folder;
    HeadMemory written;
    {
        auto sim = Bench(text);
        sim->DevOpen(DeviceNumber(3));
        // One white value and the closing command, as a table write ends.
        uint8_t cmd[64] = {head::kWriteWhite, head::kUsedWriteValue, 5, 0, 0x00, 0x00, 0x80, 0x3F};
        uint8_t ack;
        sim->DevWrite(DeviceNumber(3), cmd, 64);
        sim->DevRead(DeviceNumber(3), &ack, 1);
        cmd[2] = 0x21;
        cmd[3] = 0x01;
        cmd[6] = 0;
        cmd[7] = 0;
        sim->DevWrite(DeviceNumber(3), cmd, 64);
        sim->DevRead(DeviceNumber(3), &ack, 1);
        sim->DevSetSerial(DeviceNumber(3), "NEWSER01", 8);
        written = *sim->Memory(DeviceNumber(3));
        EXPECT_EQ(written.white[5], 1.0f);
    }
    auto again = Bench(text);
    auto back = *again->Memory(DeviceNumber(3));
    EXPECT_EQ(back.serial, "NEWSER01");
    EXPECT_EQ(back.white, written.white);
    EXPECT_EQ(back.dark, written.dark);
    EXPECT_EQ(back.coeffs, written.coeffs);

    // A damaged file is ignored: the head starts factory-fresh.
    std::FILE* f = std::fopen(file.c_str(), "r+b");
    ASSERT_TRUE(f);
    std::fseek(f, 0, SEEK_SET);
    std::fputc('X', f);
    std::fclose(f);
    auto fresh = Bench(text);
    EXPECT_EQ(fresh->Memory(DeviceNumber(3))->serial, "KEEP0001");
    std::remove(file.c_str());

    std::string error;
    auto bench = ParseBenchText("0:head;memory=C:\\data\\bench", error);
    ASSERT_TRUE(bench) << error;
    EXPECT_EQ(bench->memoryFolder, "C:\\data\\bench");
    EXPECT_FALSE(ParseBenchText("memory=", error));
}

}  // namespace
}  // namespace vmf
