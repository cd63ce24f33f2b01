// varnello-cli detect on simulated benches: devices and heads come out as JSON
// in slot order; a malformed bench is refused with exit code 1 and nothing on
// stdout.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "fakes/CliRunner.h"

namespace vmf {
namespace {

using test::RunCli;

TEST(DetectCli, PrintsDevicesAndHeadsOfTheBench) {
    auto run = RunCli(
        "detect --bench '5:head:LONGSERIAL1;2:head:B2;4:led16;7:kind:99;8:mirror;timescale=0'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto j = nlohmann::json::parse(run.out);
    ASSERT_EQ(j["devices"].size(), 4u);
    EXPECT_EQ(j["devices"][0]["number"], 2);
    EXPECT_EQ(j["devices"][0]["kind"], 33);
    EXPECT_EQ(j["devices"][0]["label"], "C12880MA");
    EXPECT_EQ(j["devices"][1]["label"], "LED16ch");
    EXPECT_EQ(j["devices"][3]["label"], "M-MIRROR");
    EXPECT_EQ(j["ignored"][0]["kind"], 99);
    ASSERT_EQ(j["heads"].size(), 2u);
    EXPECT_EQ(j["heads"][0]["device"], 2);
    EXPECT_EQ(j["heads"][1]["slot"], 1);
    EXPECT_EQ(j["heads"][1]["device"], 5);
    EXPECT_EQ(j["heads"][1]["serial"], "LONGSERI");
    EXPECT_EQ(j["heads"][1]["exposureUs"], 10000);
    ASSERT_EQ(j["heads"][1]["wavePoly"].size(), 6u);
    EXPECT_NEAR(j["heads"][1]["wavePoly"][0].get<double>(), 308.5, 2.0);
    EXPECT_EQ(j["mirrorDevice"], 8);
    EXPECT_EQ(j["ledDriverCount"], 1);
}

TEST(DetectCli, UsesTheEnvironmentBenchAndRefusesMalformedText) {
    auto run = RunCli("detect", "VMF_BENCH='3:mirror;timescale=0'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto j = nlohmann::json::parse(run.out);
    EXPECT_TRUE(j["heads"].empty());
    EXPECT_EQ(j["mirrorDevice"], 3);

    run = RunCli("detect --bench '3:camera'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find("unknown device kind \"camera\""), std::string::npos) << run.err;

    run = RunCli("detect", "VMF_BENCH='seed=x'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.empty());
}

}  // namespace
}  // namespace vmf
