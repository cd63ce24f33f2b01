// varnello-cli acquire end to end: the file it writes reads back through
// varnello-cli info with every record and the history lines.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "fakes/CliRunner.h"

#if !defined(_WIN32)
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace {

using vmf::test::RunCli;

// varnello-cli with `args` (shell text); its stdout, and its exit code in
// `status`.
std::string Shell(const std::string& args, int& status) {
    const auto run = RunCli(args);
    status = run.exitCode;
    return run.out;
}

TEST(CliAcquire, HundredRecordsOnTheDefaultBenchReadBackThroughInfo) {
    const auto path = (std::filesystem::temp_directory_path() / "vmf_cli_acquire.vqdata").string();
    std::filesystem::remove(path);
    int status = -1;
    const std::string out =
        Shell(" acquire --bench '0:head:SN000001;1:head:SN000002;2:led16;3:mirror;timescale=0' "
              "--count 100 --out '" +
                  path + "'",
              status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("100 records per head, 2 heads"), std::string::npos) << out;

    const std::string info = Shell("info '" + path + "'", status);
    ASSERT_EQ(status, 0);
    const auto j = nlohmann::json::parse(info);
    ASSERT_EQ(j["headCount"], 2);
    for (const auto& head : j["heads"]) EXPECT_EQ(head["recordCount"], 100);
    const std::string history = j["historyText"];
    EXPECT_NE(history.find("計測開始 DataNo=0 wave comp=0 1:serial=SN000001 exp=10000"),
              std::string::npos);
    EXPECT_NE(history.find("計測終了 DataNo=99\r\n"), std::string::npos);
    std::filesystem::remove(path);
}

// POSIX only: under Wine a program started without a terminal has no
// console, so no console control event can reach it. On Windows the same
// handler also takes Ctrl+Break (SIGBREAK).
#if !defined(_WIN32)
TEST(CliAcquire, CtrlCStopsAfterTheCurrentCycleAndStillSaves) {
    const auto path =
        (std::filesystem::temp_directory_path() / "vmf_cli_interrupt.vqdata").string();
    std::filesystem::remove(path);
    std::vector<std::string> args = {VARNELLO_CLI_PATH, "acquire", "--bench", "0:head;timescale=1",
                                     "--exposure",      "40000",   "--count", "10000",
                                     "--out",           path};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, VARNELLO_CLI_PATH, nullptr, nullptr, argv.data(), environ), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    int rc = -1;
    const auto j =
        nlohmann::json::parse(Shell("info '" + path + "'", rc));
    ASSERT_EQ(rc, 0);
    const int records = j["heads"][0]["recordCount"];
    EXPECT_GT(records, 0);
    EXPECT_LT(records, 10000);
    const std::string history = j["historyText"];
    EXPECT_NE(history.find("計測終了 DataNo=" + std::to_string(records - 1) + "\r\n"),
              std::string::npos);
    std::filesystem::remove(path);
}
#endif

TEST(CliAcquire, RefusesABadBenchAndMissingOutput) {
    int status = -1;
    const std::string out =
        (std::filesystem::temp_directory_path() / "vmf_cli_refused.vqdata").string();
    Shell("acquire --bench 'nonsense' --out '" + out + "'", status);
    EXPECT_NE(status, 0);
    Shell("acquire --count 5", status);
    EXPECT_NE(status, 0);
    Shell("acquire --count 0 --out '" + out + "'", status);
    EXPECT_NE(status, 0);
}

}  // namespace
