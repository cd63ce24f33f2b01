#include <gtest/gtest.h>

#include "device/BenchDescription.h"
#include "device/DeviceLibrary.h"

namespace vmf {
namespace {

TEST(BenchDescription, DefaultBenchIsTwoHeadsLedDriverAndMirror) {
    std::string error;
    auto bench = ParseBenchText(kDefaultBenchText, error);
    ASSERT_TRUE(bench) << error;
    ASSERT_EQ(bench->devices.size(), 4u);
    EXPECT_EQ(bench->devices[0].kind, kKindSpectrometer);
    EXPECT_EQ(bench->devices[0].serial, "SN000001");
    EXPECT_EQ(bench->devices[1].serial, "SN000002");
    EXPECT_EQ(bench->devices[2].kind, kKindLed16);
    EXPECT_EQ(bench->devices[3].kind, kKindMirror);
    EXPECT_EQ(bench->scene, Scene::White);
    EXPECT_DOUBLE_EQ(bench->timeScale, 1.0);
}

TEST(BenchDescription, SettingsKindsAndOrder) {
    std::string error;
    auto bench = ParseBenchText(
        " 5:head ; 3:head:AB ;7:kind:99;1:led8;scene=filter;timescale=0.25;seed=42;", error);
    ASSERT_TRUE(bench) << error;
    ASSERT_EQ(bench->devices.size(), 4u);
    // Sorted by device number whatever the text's order.
    EXPECT_EQ(bench->devices[0].number, DeviceNumber(1));
    EXPECT_EQ(bench->devices[0].kind, kKindLed8);
    EXPECT_EQ(bench->devices[1].serial, "AB");
    EXPECT_EQ(bench->devices[2].serial, "SN000005");
    EXPECT_EQ(bench->devices[3].kind, 99);
    EXPECT_EQ(bench->scene, Scene::Filter);
    EXPECT_DOUBLE_EQ(bench->timeScale, 0.25);
    EXPECT_EQ(bench->seed, 42u);
}

TEST(BenchDescription, MalformedTextIsRefusedWithAMessage) {
    const char* bad[] = {
        "",
        "   ",
        "10:head",
        "x:head",
        "1:head;1:led8",
        "1:camera",
        "1:led16:x",
        "1:kind",
        "1:kind:70000",
        "scene=night",
        "timescale=-1",
        "timescale=1e3",
        "timescale=2000",
        "seed=-3",
        "colour=red",
        "1:head;;2:led8",
        "head",
        "1:head:has space",
        "1:head:",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(ParseBenchText(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    std::string error;
    ParseBenchText("1:head;1:led8", error);
    EXPECT_EQ(error, "device number 1 given twice");
}

TEST(BenchDescription, SerialOf63BytesIsTheLongestAccepted) {
    std::string error;
    EXPECT_TRUE(ParseBenchText("0:head:" + std::string(63, 'A'), error));
    EXPECT_FALSE(ParseBenchText("0:head:" + std::string(64, 'A'), error));
}

}  // namespace
}  // namespace vmf
