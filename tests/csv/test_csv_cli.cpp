// varnello-cli export writes the bytes the writer gives the panel for the
// same data file and options, and refuses what it cannot write with exit 2.

#include <gtest/gtest.h>

#include "csv/CsvTestData.h"
#include "csv/CsvWriter.h"
#include "fakes/CliRunner.h"

namespace vmf {
namespace {

int RunCli(const std::string& args, const std::filesystem::path&, std::string* err = nullptr) {
    const test::CliRun run = test::RunCli(args);
    if (err) *err = run.err;
    return run.exitCode;
}

// A data file with two heads; head 1 has a rising dark, a gain, a white
// reference and records of varying exposure.
std::filesystem::path MakeDataFile(const std::filesystem::path& dir) {
    test::CsvFixture f;
    Cvarnello_mfDoc& doc = *f.doc;
    doc.headCount = 2;
    doc.channelCount[1] = MAX_CHANNELS;
    for (int c = 0; c < MAX_CHANNELS; ++c) {
        doc.wavelengthNm[1][c] = 310.0f + 1.93f * static_cast<float>(c);
        doc.darkTable[1][0][c] = 100.0f + 0.1f * static_cast<float>(c);
        doc.darkTable[1][19][c] = 400.0f;
        doc.gain[1][c] = 1.0f + 0.001f * static_cast<float>(c);
        doc.whiteRef[1][c] = 5000.0f + static_cast<float>(c);
    }
    doc.whiteRef[1][MAX_CHANNELS] = 20000.0f;
    for (int r = 0; r < 40; ++r) {
        f.AddRecord(20.0f + 0.37f * static_cast<float>(r), 1000 * (r + 1), {},
                    150.0f + 13.7f * static_cast<float>(r), 1);
        f.AddRecord(18.0f, 10000, {}, 0.0f, 0);
    }
    auto path = dir / "data.vqdata";
    std::string error;
    EXPECT_TRUE(doc.SaveToFile(path.string(), error)) << error;
    return path;
}

std::string WriterBytes(const std::filesystem::path& data, const std::filesystem::path& out,
                        int target, ProcessingOptions opt, const CsvRequest& q) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    std::string error;
    EXPECT_TRUE(doc->LoadFromFile(data.string(), error)) << error;
    SpectrumWorkspace ws;
    for (int h = 0; h < doc->headCount; ++h) ws.DeriveDarkModel(*doc, h);
    CsvWriter writer(*doc, ws, opt, target);
    EXPECT_TRUE(writer.WriteCsvFile(out.string(), q.firstRecord, q.endRecord, q.head,
                                    q.addTemperature, q.addLabels, q.addExposure, q.vertical,
                                    q.startWavelength, q.endWavelength, q.stepWavelength, error))
        << error;
    return test::ReadFileBytes(out);
}

TEST(CsvCli, ExportGivesTheWritersBytes) {
    auto dir = test::FreshFolder("csv-cli");
    auto data = MakeDataFile(dir);
    const auto cli = dir / "cli.csv", ref = dir / "ref.csv";
    const std::string base = "export '" + data.string() + "' --csv '" + cli.string() + "' ";

    CsvRequest all;  // the defaults: head 0, all records, vertical, 340..850 step 10
    all.endRecord = 40;
    ASSERT_EQ(RunCli(base, dir), 0);
    EXPECT_EQ(test::ReadFileBytes(cli), WriterBytes(data, ref, 0, {}, all));

    CsvRequest q;
    q.head = 1;
    q.firstRecord = 5;
    q.endRecord = 17;
    q.vertical = false;
    q.addTemperature = false;
    q.startWavelength = 345;
    q.endWavelength = 800;
    q.stepWavelength = 7;
    ProcessingOptions reflect{MeasuringMethod::Reflectance, true};
    ASSERT_EQ(
        RunCli(base +
                   "--head 1 --target 1 --first 5 --end 17 --horizontal --no-temp --start-nm 345 "
                   "--end-nm 800 --step-nm 7 --method reflectance --sensitivity",
               dir),
        0);
    const std::string ratio = test::ReadFileBytes(cli);
    EXPECT_EQ(ratio, WriterBytes(data, ref, 1, reflect, q));
    EXPECT_NE(ratio.find(" 345,"), std::string::npos);

    // Wavelengths outside the grid are clamped as the options dialog does.
    q = CsvRequest{};
    q.head = 1;
    q.endRecord = 40;
    q.addLabels = false;
    q.addExposure = false;
    ASSERT_EQ(RunCli(base + "--head 1 --start-nm 300 --end-nm 900 --no-labels --no-exposure", dir),
              0);
    EXPECT_EQ(test::ReadFileBytes(cli), WriterBytes(data, ref, 0, {}, q));

    ASSERT_EQ(RunCli(base + "--head 1 --target 2 --horizontal", dir), 0);
    q = CsvRequest{};
    q.head = 1;
    q.vertical = false;
    EXPECT_EQ(test::ReadFileBytes(cli), WriterBytes(data, ref, 2, {}, q));
    std::filesystem::remove_all(dir);
}

TEST(CsvCli, RefusalsExitWithTwo) {
    auto dir = test::FreshFolder("csv-cli-bad");
    auto data = MakeDataFile(dir);
    const std::string out = (dir / "out.csv").string();
    const std::string base = "export '" + data.string() + "' --csv '" + out + "' ";
    std::string err;
    EXPECT_EQ(
        RunCli("export '" + (dir / "missing.vqdata").string() + "' --csv '" + out + "'", dir, &err),
        2);
    EXPECT_NE(err.find("missing.vqdata"), std::string::npos) << err;
    for (const char* bad : {"--head 2", "--head -1", "--target 4", "--end 41", "--first 5 --end 4",
                            "--first -1", "--step-nm 0"}) {
        EXPECT_EQ(RunCli(base + bad, dir, &err), 2) << bad;
        EXPECT_FALSE(err.empty()) << bad;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(
        RunCli("export '" + data.string() + "' --csv '" + (dir / "no/such/dir.csv").string() + "'",
               dir, &err),
        2);
    EXPECT_NE(err.find("no/such/dir.csv"), std::string::npos) << err;
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vmf
