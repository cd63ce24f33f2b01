// varnello-cli trend: every record of every head of a multi-head file, its
// peak wavelength, average and temperature checked against values worked
// out here from the records themselves; the CSV's exact text, records counted
// from 0 and an infinite value given as "cannot be given" in CSV and JSON
// alike; refusals.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "fakes/CliRunner.h"
#include "fakes/TrendSeries.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/StoreTestUtil.h"

namespace vmf {
namespace {

using test::RunCli;

// The 1-nm grid of a record of the generated series, by the resampling rule
// worked out by hand: even wavelengths sit on a channel, odd ones halfway
// between two, 340 nm has no channel below it and stays 0.
double GridValue(const Cvarnello_mfDoc& doc, int a, int r, int nm) {
    if (nm == 340) return 0.0;
    const float* p = doc.recProcessed(a, r);
    const int j = (nm - 340) / 2;
    if (nm % 2 == 0) return p[j];
    return static_cast<float>(p[j] + (p[j + 1] - p[j]) * 0.5);
}

TEST(CliTrend, EveryRecordOfEveryHeadMatchesTheRecords) {
    testing::ScratchDir dir;
    const std::string file = dir.File("series.vqdata");
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    test::FillTrendSeries(*doc, 3, 25, true);
    std::string error;
    ASSERT_TRUE(doc->SaveToFile(file, error)) << error;

    const auto run = RunCli("trend '" + file + "' --json");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto heads = nlohmann::json::parse(run.out)["heads"];
    ASSERT_EQ(heads.size(), 3u);
    for (int a = 0; a < 3; ++a) {
        const auto& points = heads[a]["points"];
        ASSERT_EQ(points.size(), 25u);
        for (int r = 0; r < 25; ++r) {
            const auto& pt = points[r];
            double sum = 0, best = -1;
            int bestNm = 0;
            for (int nm = 340; nm <= 850; ++nm) {
                const double v = GridValue(*doc, a, r, nm);
                sum += v;
                if (v > best) best = v, bestNm = nm;
            }
            EXPECT_EQ(pt["record"], r);
            EXPECT_EQ(pt["peakNm"].get<double>(), bestNm) << a << "/" << r;
            EXPECT_EQ(pt["peakValue"].get<double>(), best);
            EXPECT_NEAR(pt["average"].get<double>(), sum / 511, 1e-3);
            EXPECT_EQ(pt["temperatureC"].get<double>(), doc->recTemperatureC(a, r));
            EXPECT_EQ(pt["exposureUs"].get<double>(), doc->recExposureUs(a, r));
            EXPECT_EQ(pt["utcMs"].get<int64_t>(), test::TrendTimeMs(r));
        }
    }
}

TEST(CliTrend, CsvTextAndRefusals) {
    testing::ScratchDir dir;
    const std::string file = dir.File("one.vqdata");
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    test::FillTrendSeries(*doc, 2, 3, false);
    // An overflowed channel at 360 nm in the last record: the grid is infinite
    // from 359 to 361 nm, so the peak is at 359 nm and its value cannot be given.
    doc->recProcessed(1, 2)[10] = std::numeric_limits<float>::infinity();
    std::string error;
    ASSERT_TRUE(doc->SaveToFile(file, error)) << error;
    // Nearly equal energy: the chromaticity, CCT and Duv of illuminant E.
    const std::string csv = dir.File("out.csv");
    auto run = RunCli("trend '" + file + "' --head 1 --csv '" + csv + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(test::SlurpFile(csv),
              "head,record,peakNm,peakValue,average,minimum,maximum,temperatureC,exposureUs,"
              "infoCieX,infoCieY,cctK,duv,ra,\r\n"
              "1,0,348,1101.0,103.7,0.0,1101.0,21.0,10000,0.33331,0.33329,5456,-0.00444,95.3,\r\n"
              "1,1,362,1111.0,103.8,0.0,1111.0,21.5,10100,0.33331,0.33329,5457,-0.00445,95.3,\r\n"
              "1,2,359,,,0.0,,22.0,10200,,,,,,\r\n");
    run = RunCli("trend '" + file + "' --head 1 --json");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto last = nlohmann::ordered_json::parse(run.out)["heads"][0]["points"][2];
    EXPECT_EQ(last.dump(),
              R"({"record":2,"peakNm":359.0,"peakValue":null,"average":null,"minimum":0.0,)"
              R"("maximum":null,"temperatureC":22.0,"exposureUs":10200.0,"infoCieX":null,)"
              R"("infoCieY":null,"cctK":null,"duv":null,"ra":null})");

    run = RunCli("trend '" + file + "' --head 2 --json");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "head 2 is out of range: the file has 2 heads\n");
    EXPECT_EQ(RunCli("trend '" + file + "'").exitCode, 1);
}

}  // namespace
}  // namespace vmf
