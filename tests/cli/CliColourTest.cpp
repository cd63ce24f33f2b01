// varnello-cli colour: published values come out of a spectrum file, a
// spectrum short of 380..780 nm is refused in the JSON (with its range said),
// bad text and bad records end with exit code 2 and nothing on stdout.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "fakes/CliRunner.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/StoreSample.h"
#include "store/StoreTestUtil.h"

namespace vmf {
namespace {

using test::RunCli;

// CIE illuminant A by its defining formula (2848 K on c2 = 1.435e-2 m K),
// every 5 nm from `from` to `to`.
std::string IlluminantACsv(int from, int to) {
    std::string csv = "wavelength,value\n";
    for (int nm = from; nm <= to; nm += 5) {
        const double v = 100.0 * std::pow(560.0 / nm, 5) * std::expm1(1.435e7 / (2848.0 * 560.0)) /
                         std::expm1(1.435e7 / (2848.0 * nm));
        csv += std::to_string(nm) + "," + std::to_string(v) + "\n";
    }
    return csv;
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(CliColour, SpectrumFileGivesPublishedValuesOrRefuses) {
    testing::ScratchDir dir;
    const std::string a = dir.File("a.csv");
    Write(a, IlluminantACsv(300, 830));
    auto run = RunCli("colour --spectrum '" + a + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto v = nlohmann::json::parse(run.out)["values"];
    EXPECT_NEAR(v["cct"].get<double>(), 2856.0, 1.0);
    EXPECT_NEAR(v["duv"].get<double>(), 0.0, 0.0005);
    EXPECT_GE(v["Ra"].get<double>(), 99.0);
    EXPECT_NEAR(v["x"].get<double>(), 0.44757, 5e-5);
    EXPECT_EQ(v["R"].size(), 14u);

    const std::string shortFile = dir.File("short.csv");
    Write(shortFile, IlluminantACsv(400, 700));
    run = RunCli("colour --spectrum '" + shortFile + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["message"], "the spectrum covers 400-700 nm; CIE values need 380-780 nm");
    EXPECT_EQ(j["values"]["refused"], "not-covered");
    EXPECT_EQ(j["values"]["cct"].dump(), R"({"refused":"not-covered"})");
    EXPECT_EQ(j["values"]["peakNm"], 700.0);

    const std::string nan = dir.File("nan.csv");
    Write(nan, "380,1\n385,nan\n");
    run = RunCli("colour --spectrum '" + nan + "' --sample --illuminant D50");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto n = nlohmann::json::parse(run.out)["values"];
    EXPECT_EQ(n["kind"], "sample");
    EXPECT_EQ(n["illuminant"], "D50");
    EXPECT_EQ(n["L"].dump(), R"({"refused":"not-a-number"})");

    const std::string bad = dir.File("bad.csv");
    Write(bad, "380,1\n400,2\n");
    run = RunCli("colour --spectrum '" + bad + "'");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, bad + ": line 2: wavelengths must rise by 1 to 10 nm (step 20 nm)\n");

    EXPECT_EQ(RunCli("colour").exitCode, 1);
}

TEST(CliColour, RecordOfADataFile) {
    testing::ScratchDir dir;
    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 5, 2);
    const std::string file = dir.File("s.vqdata");
    std::string error;
    ASSERT_TRUE(doc.SaveToFile(file, error)) << error;

    auto run = RunCli("colour '" + file + "' --head 0 --record 1 --method reflectance --compare '" +
                      file + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["values"]["kind"], "sample");
    EXPECT_TRUE(j.contains("deltaE00"));

    run = RunCli("colour '" + file + "' --head 0 --record 9");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "record 9 is out of range: head 0 has 2 record(s)\n");
}

}  // namespace
}  // namespace vmf
