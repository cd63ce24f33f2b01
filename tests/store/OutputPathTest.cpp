// Saving a data file onto a path that is not a plain file: a link is written
// through and stays a link (also one that names no file yet), a FIFO and
// /dev/null are streamed, a folder is refused; no temporary is left. A pipe
// whose reader has gone fails the write.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "store/Cvarnello_mfDoc.h"
#include "store/OutputFile.h"
#include "store/StoreSample.h"
#include "store/StoreTestUtil.h"

namespace vmf::testing {
namespace {

namespace fs = std::filesystem;

// Links, FIFOs and character devices as outputs are a POSIX matter: Windows
// has no FIFOs, and its links need privileges a test run does not have.
#ifndef _WIN32

TEST(OutputPath, DataFileSaveFollowsLinksStreamsPipesAndRefusesFolders) {
    ScratchDir dir;
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    FillSample(*doc, 4, 3);
    std::string error;
    ASSERT_TRUE(doc->SaveToFile(dir.File("plain.vqdata"), error)) << error;
    const auto expected = ReadBytes(dir.File("plain.vqdata"));

    WriteBytes(dir.File("real.vqdata"), {'o', 'l', 'd'});
    fs::create_symlink("real.vqdata", dir.File("link.vqdata"));
    fs::create_symlink("made.vqdata", dir.File("dangling.vqdata"));
    for (const char* link : {"link.vqdata", "dangling.vqdata"})
        ASSERT_TRUE(doc->SaveToFile(dir.File(link), error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir.File("link.vqdata")));
    EXPECT_TRUE(fs::is_symlink(dir.File("dangling.vqdata")));
    EXPECT_EQ(ReadBytes(dir.File("real.vqdata")), expected);
    EXPECT_EQ(ReadBytes(dir.File("made.vqdata")), expected);

    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
    std::vector<uint8_t> got;
    std::thread reader([&] { got = ReadBytes(dir.File("pipe")); });
    const bool streamed = doc->SaveToFile(dir.File("pipe"), error);
    reader.join();
    EXPECT_TRUE(streamed) << error;
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(fs::is_fifo(dir.File("pipe")));
    EXPECT_TRUE(doc->SaveToFile("/dev/null", error)) << error;

    FileFailure failure = FileFailure::None;
    fs::create_directory(dir.File("folder"));
    EXPECT_FALSE(doc->SaveToFile(dir.File("folder"), error, failure));
    EXPECT_EQ(failure, FileFailure::CannotOpen);
    EXPECT_EQ(error,
              dir.File("folder") + " に書き込めませんでした。(フォルダーには書き込めません)");
    EXPECT_EQ(dir.EntryCount(), 7u);  // nothing beside what the test made
}

// The window writes to a FIFO like any file; a reader that goes away must
// cost that write, not the program with its unsaved records.
TEST(OutputPath, APipeWhoseReaderLeftFailsTheWriteNotTheProgram) {
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
    std::thread reader([&] { std::ifstream in(dir.File("pipe")); });  // opens, then leaves
    OutputFile out;
    std::string reason;
    ASSERT_TRUE(out.Open(dir.File("pipe"), reason)) << reason;
    reader.join();
    const std::string block(1 << 20, 'x');
    EXPECT_FALSE(out.Write(block.data(), block.size(), reason));
    EXPECT_EQ(reason, "Broken pipe");
}

#endif  // _WIN32

}  // namespace
}  // namespace vmf::testing
