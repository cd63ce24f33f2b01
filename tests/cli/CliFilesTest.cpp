// What the commands read and write beyond plain files: CSV to standard
// output; a damaged time-stamp trailer told by every reader alike; a
// spectrum input that never ends.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fakes/CliRunner.h"
#include "fakes/TrendSeries.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/StoreTestUtil.h"

namespace vmf {
namespace {

using test::RunCli;

std::string SavedSeries(const testing::ScratchDir& dir) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    test::FillTrendSeries(*doc, 2, 4, true);
    std::string error;
    EXPECT_TRUE(doc->SaveToFile(dir.File("s.vqdata"), error)) << error;
    return dir.File("s.vqdata");
}

TEST(CliFiles, CsvGoesToStandardOutput) {
    testing::ScratchDir dir;
    const std::string file = SavedSeries(dir);
    auto run = RunCli("export '" + file + "' --csv '" + dir.File("plain.csv") + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string csv = test::SlurpFile(dir.File("plain.csv"));

    run = RunCli("export '" + file + "' --csv -");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, csv);
}

TEST(CliFiles, EveryReaderTellsADamagedTrailer) {
    testing::ScratchDir dir;
    const std::string file = SavedSeries(dir);
    auto bytes = testing::ReadBytes(file);
    bytes[bytes.size() - 30] ^= 0x40;  // inside the times: the checksum fails
    testing::WriteBytes(file, bytes);
    const std::string notice =
        ": " + file + " の記録時刻が読み取れないため、時刻なしで読み込みました。\n";
    const std::string csv = " --csv '" + dir.File("x.csv") + "'";
    for (const std::string& args :
         {std::string("info"), "export" + csv, std::string("trend --json"), std::string("colour"),
          std::string("stats --head 0 --record 1")}) {
        const std::string command = args.substr(0, args.find(' '));
        const auto run = RunCli(command + " '" + file + "'" + args.substr(command.size()));
        EXPECT_EQ(run.exitCode, 0) << args << ": " << run.err;
        EXPECT_EQ(run.err, "varnello-cli " + command + notice) << args;
    }
}

TEST(CliFiles, SpectrumInputIsBounded) {
    const auto run = RunCli("colour --spectrum /dev/zero");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "cannot read /dev/zero: 大きすぎるため読み込みません（上限 4 MiB）\n");
}

}  // namespace
}  // namespace vmf
