// The binding of KVWinUSBIF.dll against the stand-in library (Windows only,
// run under Wine): detection, table transfers and spectrum reads in every
// convention the real library might follow, and the exact call order a real
// device sees.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "device/Detection.h"
#include "device/SimulatedDeviceLibrary.h"
#include "device/WinDeviceLibrary.h"
#include "fakes/BuildPath.h"
#include "fakes/ScriptedDialogs.h"
#include "fakes/TestEnv.h"
#include "maintenance/CalibrationUpload.h"

namespace vmf {
namespace {

using test::ScopedEnv;

std::wstring StandInPath() {
    const std::string path = test::BuildFilePath(VMF_STANDIN_DLL_PATH);
    return std::wstring(path.begin(), path.end());
}

std::unique_ptr<WinDeviceLibrary> Bind(LibraryConventions conventions = {}) {
    std::string error;
    auto lib = WinDeviceLibrary::Load(StandInPath().c_str(), conventions, error);
    EXPECT_TRUE(lib) << error;
    return lib;
}

struct Detected {
    std::unique_ptr<Cvarnello_mfDoc> doc = std::make_unique<Cvarnello_mfDoc>();
    DetectionOutcome out;
};

Detected RunDetect(DeviceLibrary& lib) {
    Detected d;
    test::ScriptedDialogs dialogs;
    d.out = Detect(
        *d.doc, lib, dialogs, [](int) {}, 0);
    return d;
}

// Every calibration table and the polynomial of slot k, bit for bit.
void ExpectSameTables(const Cvarnello_mfDoc& a, const Cvarnello_mfDoc& b, int k) {
    auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    EXPECT_EQ(a.serialNo[k], b.serialNo[k]);
    EXPECT_TRUE(same(a.wavePoly[k], b.wavePoly[k])) << "slot " << k;
    EXPECT_EQ(a.exposureUs[k], b.exposureUs[k]);
    EXPECT_TRUE(same(a.wavelengthNm[k], b.wavelengthNm[k])) << "slot " << k;
    EXPECT_TRUE(same(a.darkTable[k], b.darkTable[k])) << "slot " << k;
    EXPECT_TRUE(same(a.gain[k], b.gain[k])) << "slot " << k;
    EXPECT_TRUE(same(a.whiteRef[k], b.whiteRef[k])) << "slot " << k;
    EXPECT_TRUE(same(a.transRef[k], b.transRef[k])) << "slot " << k;
}

// Heads at 1 and 4 behind an LED driver at 0, a mirror at 6.
std::string BenchText(const std::string& seed) {
    return "0:led16;1:head:SNA00001;4:head:SNB00004;6:mirror;timescale=0;seed=" + seed;
}

// The library's reporting convention: bench values, always 0, always 1.
class StandInResults : public ::testing::TestWithParam<const char*> {
protected:
    // A seed of its own per test and convention: the stand-in keeps a bench
    // while its text stays the same.
    std::string Seed(int test) const {
        return std::to_string(test * 10 + (GetParam()[0] == 'b' ? 9 : GetParam()[0] - '0'));
    }
};

TEST_P(StandInResults, DetectionFindsEveryHeadAndWrittenTablesReadBackBitForBit) {
    const std::string text = BenchText(Seed(1));
    ScopedEnv bench("VMF_BENCH", text.c_str());
    ScopedEnv results("VMF_STANDIN_RESULTS", GetParam());
    auto lib = Bind();
    ASSERT_TRUE(lib);

    std::string error;
    auto reference = SimulatedDeviceLibrary::FromText(text, error);
    ASSERT_TRUE(reference) << error;
    const Detected expected = RunDetect(*reference);
    Detected got = RunDetect(*lib);
    ASSERT_EQ(got.doc->headCount, 2);
    EXPECT_EQ(got.out.headDevice[0], DeviceNumber(1));
    EXPECT_EQ(got.out.headDevice[1], DeviceNumber(4));
    EXPECT_TRUE(got.out.failedHeads.empty());
    EXPECT_EQ(got.out.deviceList, (std::vector<std::string>{"LED16ch", "M-MIRROR"}));
    for (int k = 0; k < 2; ++k) ExpectSameTables(*expected.doc, *got.doc, k);

    // The maintenance write of new tables into the head at 4, then a new
    // detection: what comes back is what was written.
    Cvarnello_mfDoc& doc = *got.doc;
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        doc.wavelengthNm[1][c] = 300.25f + 2.0f * c;
        doc.gain[1][c] = 1.0f + c / 1024.0f;
        doc.whiteRef[1][c] = 3000.5f - c;
        doc.transRef[1][c] = 2000.125f + c;
        for (int s = 0; s < DARK_STEPS; ++s) doc.darkTable[1][s][c] = 100.0f + s + c / 8.0f;
    }
    doc.whiteRef[1][MAX_CHANNELS] = 12345.0f;
    doc.wavePoly[1] = {301.5, 1.75, -1e-4, 2e-7, -3e-10, 4e-13};
    ASSERT_TRUE(UploadCalibrationTable(doc, *lib, HeadSlot(1), DeviceNumber(4)).ok);

    Detected again = RunDetect(*lib);
    ASSERT_EQ(again.doc->headCount, 2);
    EXPECT_TRUE(std::memcmp(&again.doc->wavePoly[1], &doc.wavePoly[1], sizeof doc.wavePoly[1]) == 0);
    for (int k = 0; k < 2; ++k) ExpectSameTables(doc, *again.doc, k);
}

TEST_P(StandInResults, AHeadWhoseRepliesNeverArriveGetsNoSlot) {
    const std::string text = BenchText(Seed(2));
    ScopedEnv bench("VMF_BENCH", text.c_str());
    ScopedEnv results("VMF_STANDIN_RESULTS", GetParam());
    ScopedEnv silent("VMF_STANDIN_SILENT", "1");
    auto lib = Bind();
    ASSERT_TRUE(lib);
    Detected got = RunDetect(*lib);
    EXPECT_EQ(got.out.failedHeads, (std::vector<DeviceNumber>{DeviceNumber(1)}));
    ASSERT_EQ(got.doc->headCount, 1);
    EXPECT_EQ(got.out.headDevice[0], DeviceNumber(4));
    EXPECT_EQ(got.doc->serialNo[0], "SNB00004");
    EXPECT_EQ(got.out.deviceList, (std::vector<std::string>{"LED16ch", "M-MIRROR"}));
}

INSTANTIATE_TEST_SUITE_P(Conventions, StandInResults, ::testing::Values("bench", "0", "1"));

TEST(WinDeviceLibrary, TrustedReturnValuesServeALibraryThatFollowsThem) {
    ScopedEnv bench("VMF_BENCH", BenchText("30").c_str());
    ScopedEnv results("VMF_STANDIN_RESULTS", "bench");
    auto trusting = Bind({.trustReturnValues = true});
    ASSERT_TRUE(trusting);
    EXPECT_EQ(RunDetect(*trusting).doc->headCount, 2);

    // The same option on a library that answers 0 loses every head: the
    // reason it is off by default.
    ScopedEnv zero("VMF_STANDIN_RESULTS", "0");
    EXPECT_EQ(RunDetect(*trusting).doc->headCount, 0);
}

// The spectrum read reaches the head of each slot when the binding and the
// library agree on what the argument means.
void ExpectSpectraFromTheRightHeads(LibraryConventions conventions, const char* standInMode,
                                   const char* seed) {
    const std::string text = BenchText(seed) + ";scene=halogen";
    ScopedEnv bench("VMF_BENCH", text.c_str());
    ScopedEnv spectrum("VMF_STANDIN_SPECTRUM", standInMode);
    ScopedEnv results("VMF_STANDIN_RESULTS", "1");
    auto lib = Bind(conventions);
    ASSERT_TRUE(lib);
    ASSERT_EQ(RunDetect(*lib).doc->headCount, 2);
    std::string error;
    auto reference = SimulatedDeviceLibrary::FromText(text, error);
    ASSERT_TRUE(reference) << error;
    RunDetect(*reference);
    // Exposures far apart, so a read from the other head cannot pass.
    for (DeviceLibrary* l : {static_cast<DeviceLibrary*>(lib.get()),
                             static_cast<DeviceLibrary*>(reference.get())}) {
        l->DevSetExposure(DeviceNumber(1), 2000);
        l->DevSetExposure(DeviceNumber(4), 40000);
    }
    for (int k = 0; k < 2; ++k) {
        int16_t got[MAX_CHANNELS] = {};
        int16_t want[MAX_CHANNELS] = {};
        ASSERT_GE(lib->DevReadSpectrum(HeadSlot(k), got), 0);
        ASSERT_GE(reference->DevReadSpectrum(HeadSlot(k), want), 0);
        EXPECT_EQ(std::memcmp(got, want, sizeof got), 0) << "slot " << k;
    }
}

TEST(WinDeviceLibrary, SpectrumReadPassesTheSlotByDefault) {
    ExpectSpectraFromTheRightHeads({}, "slot", "40");
}

TEST(WinDeviceLibrary, SpectrumReadPassesTheDeviceNumberWhenAsked) {
    ExpectSpectraFromTheRightHeads({.spectrumByDevice = true}, "device", "41");
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(WinDeviceLibrary, DetectionAndReleaseCallTheLibraryInTheDocumentedOrder) {
    const std::string log =
        ::testing::TempDir() + "vmf_standin_calls_" + std::to_string(test::ProcessId()) + ".txt";
    std::remove(log.c_str());
    ScopedEnv bench("VMF_BENCH", "1:led16;2:head;5:mirror;7:head;timescale=0;seed=50");
    ScopedEnv logEnv("VMF_STANDIN_LOG", log.c_str());
    auto lib = Bind();
    ASSERT_TRUE(lib);
    Detected got = RunDetect(*lib);
    ASSERT_EQ(got.doc->headCount, 2);
    Release(*got.doc, *lib, got.out.headDevice);
    ScopedEnv noLog("VMF_STANDIN_LOG", nullptr);
    lib->DevOpen(DeviceNumber(9));  // lets the stand-in close its log

    // "<ordinal> <device>": open 1, texts 3 and 4, kind 5, serial 15,
    // coefficients 17, exposure 10, command write 7 and read 8, close 9.
    std::vector<std::string> want;
    auto add = [&](int ordinal, int dev) {
        want.push_back(std::to_string(ordinal) + " " + std::to_string(dev));
    };
    for (int n = 0; n < MAX_DEVICES; ++n) {
        add(1, n);
        if (n != 1 && n != 2 && n != 5 && n != 7) continue;
        for (int ordinal : {3, 4, 5}) add(ordinal, n);
        if (n != 2 && n != 7) continue;
        for (int ordinal : {15, 17, 10}) add(ordinal, n);
        // 288 wavelengths, 21 dark steps, gain, white and transmission.
        for (int command = 0; command < MAX_CHANNELS + DARK_STEPS + 3; ++command) {
            add(7, n);
            add(8, n);
        }
    }
    add(9, 2);
    add(9, 7);
    EXPECT_EQ(ReadLines(log), want);
    std::remove(log.c_str());
}

}  // namespace
}  // namespace vmf
