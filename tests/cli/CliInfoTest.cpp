// varnello-cli info on data files written by the store: the same values come
// out, floats reading back bit for bit; an unreadable file gives exit code 2,
// a message naming it on stderr and nothing on stdout.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "fakes/CliRunner.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/StoreSample.h"
#include "store/StoreTestUtil.h"
#include "store/TextCodec.h"

namespace vmf {
namespace {

using test::CliRun;
using test::RunCli;

// The float a JSON value stands for, bit for bit.
uint32_t FloatBits(const nlohmann::json& v) {
    if (v.is_string()) {
        std::string s = v.get<std::string>();
        if (s == "NaN") return 0x7FC00000u;
        return std::bit_cast<uint32_t>(s == "Infinity" ? INFINITY : -INFINITY);
    }
    return std::bit_cast<uint32_t>(static_cast<float>(v.get<double>()));
}

uint32_t ExpectedBits(float f) { return std::isnan(f) ? 0x7FC00000u : std::bit_cast<uint32_t>(f); }

void ExpectFloats(const nlohmann::json& values, const float* expected, int n, const char* what) {
    ASSERT_EQ(values.size(), static_cast<size_t>(n)) << what;
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(FloatBits(values[i]), ExpectedBits(expected[i])) << what << "[" << i << "]";
}

TEST(CliInfo, PrintsEveryFieldOfTheFile) {
    testing::ScratchDir dir;
    Cvarnello_mfDoc doc;
    testing::FillSample(doc, 11, 2);
    doc.darkTable[0][0][0] = 0.1f;
    doc.historyText += Utf8ToCp932("メモ\r\n");
    std::string error;
    ASSERT_TRUE(doc.SaveToFile(dir.File("in.vqdata"), error)) << error;

    CliRun run = RunCli("info --records '" + dir.File("in.vqdata") + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.find("0.1,"),
              run.out.find("\"darkTable\":[[") + 14);  // shortest form, not widened
    auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["headCount"], 2);
    ASSERT_EQ(j["heads"].size(), 2u);
    for (int a = 0; a < 2; ++a) {
        const auto& h = j["heads"][a];
        const int c = doc.channelCount[a];
        EXPECT_EQ(h["channelCount"], c);
        EXPECT_EQ(h["headKind"], "C12880MA");
        EXPECT_EQ(h["serialNo"], Cp932ToUtf8(doc.serialNo[a]));
        EXPECT_EQ(h["exposureUs"], doc.exposureUs[a]);
        for (int k = 0; k < WAVE_COEFFS; ++k) {
            if (std::isnan(doc.wavePoly[a][k]))
                EXPECT_EQ(h["wavePoly"][k], "NaN");
            else
                EXPECT_EQ(std::bit_cast<uint64_t>(h["wavePoly"][k].template get<double>()),
                          std::bit_cast<uint64_t>(doc.wavePoly[a][k]));
        }
        ASSERT_EQ(h["darkTable"].size(), 21u);
        for (int s = 0; s < DARK_STEPS; ++s)
            ExpectFloats(h["darkTable"][s], doc.darkTable[a][s].data(), c, "dark");
        ExpectFloats(h["wavelengthNm"], doc.wavelengthNm[a].data(), c, "wavelengthNm");
        ExpectFloats(h["gain"], doc.gain[a].data(), c + 1, "gain");
        ExpectFloats(h["whiteRef"], doc.whiteRef[a].data(), c + 1, "whiteRef");
        ExpectFloats(h["transRef"], doc.transRef[a].data(), c + 1, "transRef");
        EXPECT_EQ(h["recordCount"], 2);
        ASSERT_EQ(h["records"].size(), 2u);
        for (int r = 0; r < 2; ++r) {
            const auto& rec = h["records"][r];
            EXPECT_EQ(rec["recExposureUs"], doc.recExposureUs(a, r));
            EXPECT_EQ(FloatBits(rec["recTemperatureC"]), ExpectedBits(doc.recTemperatureC(a, r)));
            ExpectFloats(rec["recRaw"], doc.recRaw(a, r), c, "recRaw");
            ExpectFloats(rec["recProcessed"], doc.recProcessed(a, r), c, "recProcessed");
        }
    }
    EXPECT_EQ(j["ledDriverCount"], 2);
    ASSERT_EQ(j["ledDrivers"].size(), 2u);
    EXPECT_EQ(j["ledDrivers"][1]["ledChannelCount"], 3);
    EXPECT_EQ(j["ledDrivers"][0]["ledValue"].size(), 16u);
    EXPECT_EQ(j["ledDrivers"][0]["ledValue"][15], doc.ledValue[0][15]);
    EXPECT_EQ(j["historyText"], Cp932ToUtf8(doc.historyText));

    CliRun plain = RunCli("info '" + dir.File("in.vqdata") + "'");
    ASSERT_EQ(plain.exitCode, 0);
    auto p = nlohmann::json::parse(plain.out);
    EXPECT_FALSE(p["heads"][0].contains("records"));
    EXPECT_EQ(p["heads"][0]["recordCount"], 2);
}

TEST(CliInfo, UnreadableFileFailsWithExitTwoAndNothingOnStdout) {
    testing::ScratchDir dir;
    testing::WriteBytes(dir.File("short.vqdata"), {1, 0, 0, 0, 0x20});
    for (const std::string name : {"short.vqdata", "missing.vqdata"}) {
        CliRun run = RunCli("info '" + dir.File(name) + "'");
        EXPECT_EQ(run.exitCode, 2) << name;
        EXPECT_TRUE(run.out.empty()) << name;
        EXPECT_NE(run.err.find(dir.File(name)), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace vmf

namespace vmf {
namespace {

// Records with a time show it (info) and can carry it into the CSV (export
// --time); records without one have no time keys and an empty time cell.
TEST(CliInfo, RecordTimesInInfoAndExport) {
    testing::ScratchDir dir;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->headCount = 1;
    doc->channelCount[0] = 2;
    doc->wavelengthNm[0][0] = 339.0f;
    doc->wavelengthNm[0][1] = 351.0f;
    for (int r = 0; r < 2; ++r) {
        doc->EnsureRecordArrays(0, r);
        doc->recRaw(0, r)[0] = 100.0f;
        doc->recRaw(0, r)[1] = 220.0f;
        doc->recExposureUs(0, r) = 10000;
        doc->recTemperatureC(0, r) = 25.3f;
    }
    doc->recordCount[0] = 2;
    doc->recTimeUtcMs(0, 0) = 1796722138315;
    doc->recUtcOffsetS(0, 0) = 32400;
    std::string error;
    ASSERT_TRUE(doc->SaveToFile(dir.File("t.vqdata"), error)) << error;

    CliRun run = RunCli("info --records '" + dir.File("t.vqdata") + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    const auto& first = j["heads"][0]["records"][0];
    EXPECT_EQ(first["utcMs"], 1796722138315);
    EXPECT_EQ(first["utcOffsetS"], 32400);
    EXPECT_EQ(first["time"], "2026-12-08T18:28:58.315+09:00");
    EXPECT_FALSE(j["heads"][0]["records"][1].contains("time"));
    EXPECT_FALSE(j["heads"][0]["records"][1].contains("utcMs"));

    auto exported = [&](const std::string& options) {
        const CliRun e = RunCli("export '" + dir.File("t.vqdata") + "' --csv '" +
                                dir.File("out.csv") + "' --time " + options);
        EXPECT_EQ(e.exitCode, 0) << e.err;
        return test::SlurpFile(dir.File("out.csv"));
    };
    EXPECT_EQ(exported("--start-nm 340 --end-nm 350"),
              "time,2026-12-08T18:28:58.315+09:00,,\r\n"
              "temp,25.3,25.3,\r\n"
              "exposure, 10000, 10000,\r\n"
              "340, 110.0, 110.0,\r\n"
              "350, 210.0, 210.0,\r\n");
    EXPECT_EQ(exported("--horizontal --no-temp --no-exposure --start-nm 340 --end-nm 340"),
              "time,   340,\r\n"
              "2026-12-08T18:28:58.315+09:00, 110.0,\r\n"
              ", 110.0,\r\n");
}

}  // namespace
}  // namespace vmf
