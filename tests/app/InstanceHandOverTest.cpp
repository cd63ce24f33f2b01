// The drop folder through which a second start hands its file to the
// running instance: order, exactly-once, and refusal of a folder that is not
// the user's own.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/InstanceHandOver.h"
#include "fakes/TestEnv.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vmf {
namespace {
namespace fs = std::filesystem;

TEST(InstanceHandOver, PathsArriveOnceInTheOrderPosted) {
    const fs::path base =
        fs::temp_directory_path() /
        ("vmf-handover-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(base);
    fs::create_directories(base);
    const fs::path folder = base / "x.handover";
    EXPECT_TRUE(TakeHandOvers(folder).empty());  // nobody posted: no folder yet

    std::string error;
    const std::string first = "C:\\\\測定\\\\run 1.vqdata";
    ASSERT_TRUE(PostHandOver(folder, first, error)) << error;
    ASSERT_TRUE(PostHandOver(folder, "/data/run2.vqdata", error)) << error;
    // A post still being written is not taken.
    std::ofstream(folder / "00000000000000000000-1-0.tmp") << "/half";
    EXPECT_EQ(TakeHandOvers(folder), (std::vector<std::string>{first, "/data/run2.vqdata"}));
    EXPECT_TRUE(TakeHandOvers(folder).empty());

#if !defined(_WIN32)
    // A folder others may write into is never read nor fed: another user
    // could plant paths there.
    ::chmod(folder.c_str(), 0777);
    EXPECT_FALSE(PostHandOver(folder, "/data/run3.vqdata", error));
    ::chmod(folder.c_str(), 0700);
    ASSERT_TRUE(PostHandOver(folder, "/data/run3.vqdata", error)) << error;
    ::chmod(folder.c_str(), 0777);
    EXPECT_TRUE(TakeHandOvers(folder).empty());
    ::chmod(folder.c_str(), 0700);
    // The folder lives beside the instance lock, per user and lock name.
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", base.c_str());
    EXPECT_EQ(HandOverFolder("lockname"),
              base / ("lockname-" + std::to_string(::getuid()) + ".handover"));
#endif
    fs::remove_all(base);
}

}  // namespace
}  // namespace vmf
