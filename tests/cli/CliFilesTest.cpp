// What the commands read and write beyond plain files: CSV to standard
// output, through a link, into /dev/null; an HDF5 export that meets a full
// disk (a file-size limit); a damaged time-stamp trailer told by every
// reader alike; a spectrum input that never ends.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "fakes/CliRunner.h"
#include "fakes/TrendSeries.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/StoreTestUtil.h"

namespace vmf {
namespace {

namespace fs = std::filesystem;
using test::RunCli;

std::string SavedSeries(const testing::ScratchDir& dir) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    test::FillTrendSeries(*doc, 2, 4, true);
    std::string error;
    EXPECT_TRUE(doc->SaveToFile(dir.File("s.vqdata"), error)) << error;
    return dir.File("s.vqdata");
}

TEST(CliFiles, CsvGoesToStandardOutputThroughLinksAndIntoDevices) {
    testing::ScratchDir dir;
    const std::string file = SavedSeries(dir);
    auto run = RunCli("export '" + file + "' --csv '" + dir.File("plain.csv") + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string csv = test::SlurpFile(dir.File("plain.csv"));

    run = RunCli("export '" + file + "' --csv -");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, csv);
    run = RunCli("trend '" + file + "' --head 1 --csv -");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, 17), "head,record,time,");

    testing::WriteBytes(dir.File("real.csv"), {'o', 'l', 'd'});
    fs::create_symlink("real.csv", dir.File("link.csv"));
    run = RunCli("export '" + file + "' --csv '" + dir.File("link.csv") + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(dir.File("link.csv")));
    EXPECT_EQ(test::SlurpFile(dir.File("real.csv")), csv);

    EXPECT_EQ(RunCli("trend '" + file + "' --csv /dev/null").exitCode, 0);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    run = RunCli("export '" + file + "' --csv '" + dir.File("") + "'");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "CSVファイルを保存できませんでした: " + dir.File("") +
                           " (フォルダーには書き込めません)\n");
}

TEST(CliFiles, Hdf5ExportOnAFullDiskSaysWhyAndExitsTwo) {
    testing::ScratchDir dir;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    test::FillTrendSeries(*doc, 2, 400, true);
    std::string error;
    ASSERT_TRUE(doc->SaveToFile(dir.File("big.vqdata"), error)) << error;
    const std::string err = dir.File("err.txt");
    // 128 KiB may be written, far less than the export needs.
    const std::string command = "sh -c \"trap '' XFSZ; ulimit -f 256; exec '" VARNELLO_CLI_PATH
                                "' export '" +
                                dir.File("big.vqdata") + "' --hdf5 '" + dir.File("out.h5") +
                                "'\" 2>'" + err + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(test::SlurpFile(err),
              "out.h5 に書き出せませんでした。(書き込みに失敗しました: File too large)\n");
    fs::remove(err);
    EXPECT_EQ(dir.EntryCount(), 1u);  // no partial file
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
    for (const std::string& args : {std::string("info"), "export" + csv, std::string("trend --json"),
                                    std::string("colour"), std::string("stats --head 0 --record 1")}) {
        const std::string command = args.substr(0, args.find(' '));
        const auto run = RunCli(command + " '" + file + "'" + args.substr(command.size()));
        EXPECT_EQ(run.exitCode, 0) << args << ": " << run.err;
        EXPECT_EQ(run.err, "varnello-cli " + command + notice) << args;
    }
}

TEST(CliFiles, SpectrumInputIsBoundedAndMayStartWithAByteOrderMark) {
    testing::ScratchDir dir;
    auto run = RunCli("colour --spectrum /dev/zero");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "cannot read /dev/zero: 大きすぎるため読み込みません（上限 4 MiB）\n");

    std::string text = "\xEF\xBB\xBF";
    for (int nm = 360; nm <= 830; nm += 5) text += std::to_string(nm) + ",50\r\n";
    testing::WriteBytes(dir.File("bom.csv"), std::vector<uint8_t>(text.begin(), text.end()));
    run = RunCli("colour --sample --spectrum '" + dir.File("bom.csv") + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\"fromNm\": 360,"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace vmf
