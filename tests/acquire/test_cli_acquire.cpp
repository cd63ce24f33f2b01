// varnello-cli acquire end to end: the file it writes reads back through
// varnello-cli info with every record and the history lines.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "fakes/CliRunner.h"

#if !defined(_WIN32)
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

#if !defined(_WIN32)
namespace {

// kill -9 in the middle of a recording: the journal beside the output file
// gives back every record counted more than a second before the kill, each
// equal to the one the process counted (the simulated bench is seeded, so a
// second run of as many records counts the same spectra).
TEST(CliAcquire, KilledRunIsRecoveredFromItsJournal) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string out = (dir / "vmf_cli_killed.vqdata").string();
    const std::string journal = out + ".vqjournal";
    const std::string bench = "0:head:SN000001;1:head:SN000002;scene=white;timescale=0;seed=7";
    std::filesystem::remove(journal);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<std::string> args = {VARNELLO_CLI_PATH, "acquire", "--bench", bench, "--count",
                                     "80000",           "--progress", "--out", out};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, VARNELLO_CLI_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);

    // Progress lines "<done>/<total> records ..." with the moment each came.
    using Clock = std::chrono::steady_clock;
    std::vector<std::pair<Clock::time_point, int>> counted;
    FILE* err = fdopen(fds[0], "r");
    char line[256];
    // Cycles on this bench take well under a millisecond, so keep reading
    // (the pipe must not fill and stall the recording) until the 300th
    // record is more than a second old, then kill.
    std::optional<Clock::time_point> reached;
    while (fgets(line, sizeof line, err)) {
        counted.emplace_back(Clock::now(), std::atoi(line));
        if (!reached && counted.back().second >= 300) reached = counted.back().first;
        if (reached && Clock::now() - *reached > std::chrono::milliseconds(1300)) break;
    }
    ASSERT_TRUE(reached.has_value());
    const auto killedAt = Clock::now();
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    fclose(err);
    ASSERT_TRUE(WIFSIGNALED(status));
    int safe = 0;  // counted more than a second before the kill
    for (const auto& [when, done] : counted)
        if (killedAt - when > std::chrono::seconds(1)) safe = done;
    ASSERT_GT(safe, 200);

    const std::string recovered = (dir / "vmf_cli_recovered.vqdata").string();
    int rc = -1;
    Shell("recover '" + journal + "' --out '" + recovered + "'", rc);
    ASSERT_EQ(rc, 0);
    const auto back =
        nlohmann::json::parse(Shell("info --records '" + recovered + "'", rc));
    const int n = back["heads"][0]["recordCount"];
    EXPECT_GE(n, safe);
    EXPECT_EQ(back["heads"][1]["recordCount"], n);

    const std::string again = (dir / "vmf_cli_again.vqdata").string();
    Shell("acquire --bench '" + bench + "' --count " + std::to_string(n) + " --out '" + again + "'", rc);
    ASSERT_EQ(rc, 0);
    const auto same =
        nlohmann::json::parse(Shell("info --records '" + again + "'", rc));
    for (int a = 0; a < 2; ++a)
        for (int r = 0; r < n; ++r) {
            const auto& x = back["heads"][a]["records"][r];
            const auto& y = same["heads"][a]["records"][r];
            ASSERT_EQ(x["recRaw"], y["recRaw"]) << a << "/" << r;
            ASSERT_EQ(x["recProcessed"], y["recProcessed"]) << a << "/" << r;
            ASSERT_EQ(x["recTemperatureC"], y["recTemperatureC"]);
            ASSERT_TRUE(x.contains("time"));
        }
    EXPECT_FALSE(std::filesystem::exists(again + ".vqjournal"));  // saved: journal gone
    for (const auto& f : {journal, recovered, again}) std::filesystem::remove(f);
}

}  // namespace
#endif
