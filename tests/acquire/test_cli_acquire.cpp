// varnello-cli acquire end to end: the file it writes reads back through
// varnello-cli info with every record and the history lines.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
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
    const std::string out = Shell(
        " acquire --bench '0:head:SN000001;1:head:SN000002;2:led16;3:mirror;timescale=0' "
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
    const auto j = nlohmann::json::parse(Shell("info '" + path + "'", rc));
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
    std::vector<std::string> args = {VARNELLO_CLI_PATH, "acquire",    "--bench", bench, "--count",
                                     "80000",           "--progress", "--out",   out};
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
    const auto back = nlohmann::json::parse(Shell("info --records '" + recovered + "'", rc));
    const int n = back["heads"][0]["recordCount"];
    EXPECT_GE(n, safe);
    EXPECT_EQ(back["heads"][1]["recordCount"], n);

    const std::string again = (dir / "vmf_cli_again.vqdata").string();
    Shell("acquire --bench '" + bench + "' --count " + std::to_string(n) + " --out '" + again + "'",
          rc);
    ASSERT_EQ(rc, 0);
    const auto same = nlohmann::json::parse(Shell("info --records '" + again + "'", rc));
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

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>

#include <fstream>

#include "store/Cvarnello_mfDoc.h"
#include "store/RecordJournal.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A scratch folder of the test's own, with a per-user data folder inside
// (XDG_DATA_HOME for the runs), removed afterwards.
struct Scratch {
    Scratch() {
        dir = fs::temp_directory_path() / ("vmf-cli-safe-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Scratch() { fs::remove_all(dir); }
    std::string operator/(const std::string& name) const { return (dir / name).string(); }
    std::string Env() const { return "XDG_DATA_HOME='" + (dir / "data").string() + "'"; }
    std::string Recovery() const { return (dir / "data/VarnelloMF/varnello_mf/recovery").string(); }
    fs::path dir;
};

// varnello-cli acquire running in the background, its stderr read line by
// line (progress lines "<done>/<total> records ...").
struct Background {
    explicit Background(const std::vector<std::string>& cliArgs) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<std::string> args = {VARNELLO_CLI_PATH};
        args.insert(args.end(), cliArgs.begin(), cliArgs.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid, VARNELLO_CLI_PATH, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        err = fdopen(fds[0], "r");
    }
    ~Background() {
        if (pid > 0) Kill();
        fclose(err);
    }
    // Reads progress until `records` are counted; false when stderr ends.
    bool WaitFor(int records) {
        char line[512];
        while (fgets(line, sizeof line, err))
            if (std::atoi(line) >= records) return true;
        return false;
    }
    void Kill() {
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
    }
    pid_t pid = -1;
    FILE* err = nullptr;
};

int RecordsIn(const std::string& data) {
    const auto run = RunCli("info '" + data + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return nlohmann::json::parse(run.out)["heads"][0]["recordCount"];
}

const std::string kSlowBench = "0:head:SN000001;timescale=0;seed=3";

// Two runs given the same output: the second is refused before it measures,
// naming the first; the first's journal is neither emptied nor removed, and
// recover reads it only when asked to read a live journal. Once the first is
// killed, its journal is recovered, and the next run sets it aside instead of
// emptying it.
TEST(CliAcquire, SecondRunOnTheSameOutputIsRefusedAndTheFirstRunKeepsItsJournal) {
    Scratch s;
    const std::string out = s / "shared.vqdata";
    const std::string journal = out + ".vqjournal";
    Background first(
        {"acquire", "--bench", kSlowBench, "--count", "80000", "--progress", "--out", out});
    ASSERT_TRUE(first.WaitFor(200));

    const auto second =
        RunCli("acquire --bench '" + kSlowBench + "' --count 5 --out '" + out + "'");
    EXPECT_EQ(second.exitCode, 2);
    EXPECT_EQ(second.err.rfind("varnello-cli acquire: " + out +
                                   " is being written by another run (varnello-cli acquire, "
                                   "process " +
                                   std::to_string(first.pid) + ", started ",
                               0),
              0u)
        << second.err;
    EXPECT_EQ(second.err.substr(second.err.size() - 11), "); refused\n");
    EXPECT_EQ(second.out, "");

    const std::string copy = s / "copy.vqdata";
    auto recovered = RunCli("recover '" + journal + "' --out '" + copy + "'");
    EXPECT_EQ(recovered.exitCode, 2);
    EXPECT_EQ(recovered.err, "varnello-cli recover: " + journal +
                                 " is still being written by a running program; refused (--live "
                                 "reads what it holds so far)\n");
    EXPECT_FALSE(fs::exists(copy));
    recovered = RunCli("recover --live '" + journal + "' --out '" + copy + "'");
    EXPECT_EQ(recovered.exitCode, 0) << recovered.err;
    EXPECT_NE(recovered.out.find(", read while still being written (the whole frames so far) -> "),
              std::string::npos)
        << recovered.out;
    const int live = RecordsIn(copy);
    EXPECT_GT(live, 0);

    ASSERT_TRUE(first.WaitFor(live + 3000));
    first.Kill();
    recovered = RunCli("recover '" + journal + "' --out '" + copy + "'");
    ASSERT_EQ(recovered.exitCode, 0) << recovered.err;
    const int kept = RecordsIn(copy);
    EXPECT_GE(kept, live);

    const auto third = RunCli("acquire --bench '" + kSlowBench + "' --count 5 --out '" + out + "'");
    ASSERT_EQ(third.exitCode, 0) << third.err;
    const std::string setAside = "the journal of an earlier run that was not saved is kept in ";
    const auto at = third.err.find(setAside);
    ASSERT_NE(at, std::string::npos) << third.err;
    const auto from = at + setAside.size();
    const std::string aside = third.err.substr(from, third.err.find('\n', at) - from);
    recovered = RunCli("recover '" + aside + "' --out '" + copy + "'");
    ASSERT_EQ(recovered.exitCode, 0) << recovered.err;
    EXPECT_EQ(RecordsIn(copy), kept);
    EXPECT_EQ(RecordsIn(out), 5);
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_FALSE(fs::exists(out + ".vqlock"));
}

// A full disk, as a file-size limit (the run ignores SIGXFSZ, so the write
// fails): the first failed journal write is on stderr at once, measuring
// stops, and the run ends with exit 2 saying exactly what is kept where.
TEST(CliAcquire, JournalWriteFailureStopsTheRunAndSaysWhatIsKept) {
    Scratch s;
    const std::string out = s / "full.vqdata";
    const std::string journal = out + ".vqjournal";
    const std::string errFile = s / "stderr.txt";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        rlimit limit{400000, 400000};
        setrlimit(RLIMIT_FSIZE, &limit);
        setenv("XDG_DATA_HOME", (s.dir / "data").c_str(), 1);
        const int fd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 2);
        execl(VARNELLO_CLI_PATH, VARNELLO_CLI_PATH, "acquire", "--bench", kSlowBench.c_str(),
              "--count", "80000", "--out", out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    const std::string err = vmf::test::SlurpFile(errFile);
    EXPECT_EQ(err.rfind("varnello-cli acquire: the recovery journal failed: " + journal +
                            ": File too large; measuring stops\n",
                        0),
              0u)
        << err;
    const std::string keptIn = "varnello-cli acquire: only the first ";
    const auto at = err.find(keptIn);
    ASSERT_NE(at, std::string::npos) << err;
    const int kept = std::atoi(err.c_str() + at + keptIn.size());
    EXPECT_NE(err.find(" records per head are kept, in " + journal + " (varnello-cli recover '" +
                       journal + "' --out FILE.vqdata)\n"),
              std::string::npos)
        << err;
    EXPECT_GT(kept, 50);
    const auto recovered = RunCli("recover '" + journal + "' --out '" + (s / "back.vqdata") + "'");
    ASSERT_EQ(recovered.exitCode, 0) << recovered.err;
    EXPECT_EQ(RecordsIn(s / "back.vqdata"), kept);
    // Neither the output nor a temporary of the failed saves is left.
    EXPECT_FALSE(fs::exists(out));
    for (const auto& e : fs::recursive_directory_iterator(s.dir))
        EXPECT_NE(e.path().extension(), ".tmp") << e.path();
}

// No journal beside the output (its folder is missing): the journal goes to
// the per-user recovery folder and the run says so, and what the failed save
// could not keep is kept there. With no journal anywhere the run is refused
// before it measures, unless --no-journal asks for none.
TEST(CliAcquire, NoJournalBesideTheOutputFallsBackAndNoneAnywhereRefuses) {
    Scratch s;
    const std::string out = s / "missing/run.vqdata";
    auto run =
        RunCli("acquire --bench '" + kSlowBench + "' --count 20 --out '" + out + "'", s.Env());
    EXPECT_EQ(run.exitCode, 2);
    const std::string said =
        "varnello-cli acquire: the recovery journal cannot be made beside the "
        "output (" +
        out + ".vqjournal: No such file or directory); it is kept in " + s.Recovery() +
        "/run.vqdata-";
    ASSERT_EQ(run.err.rfind(said, 0), 0u) << run.err;
    const std::string journal = s.Recovery() + "/" + run.err.substr(said.size() - 11, 29);
    EXPECT_NE(run.err.find("varnello-cli acquire: the records are kept in " + journal +
                           " (varnello-cli recover '" + journal + "' --out FILE.vqdata)\n"),
              std::string::npos)
        << run.err;
    ASSERT_TRUE(fs::exists(journal)) << journal;
    const auto recovered = RunCli("recover '" + journal + "' --out '" + (s / "back.vqdata") + "'");
    ASSERT_EQ(recovered.exitCode, 0) << recovered.err;
    EXPECT_EQ(RecordsIn(s / "back.vqdata"), 20);

    // No per-user folder can be made either (its parent is a plain file).
    WriteFile(s / "plain", "x");
    const std::string nowhere =
        "XDG_DATA_HOME='" + (s / "plain") + "' HOME='" + (s / "plain") + "'";
    run = RunCli("acquire --bench '" + kSlowBench + "' --count 20 --out '" + out + "'", nowhere);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("varnello-cli acquire: no recovery journal can be made ("),
              std::string::npos)
        << run.err;
    // Its one line, at once: nothing measured.
    EXPECT_NE(run.err.find("); refused (--no-journal measures without one)\n"), std::string::npos);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    run = RunCli("acquire --no-journal --bench '" + kSlowBench + "' --count 20 --out '" +
                     (s / "n.vqdata") + "'",
                 nowhere);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(RecordsIn(s / "n.vqdata"), 20);
}

// recover of a journal that holds no records writes nothing and says why.
TEST(CliRecover, JournalWithoutRecordsWritesNothing) {
    Scratch s;
    const std::string out = s / "out.vqdata";
    WriteFile(s / "empty.vqjournal", "");
    WriteFile(s / "magic.vqjournal", "VQJRNL01");
    {
        auto doc = std::make_unique<vmf::Cvarnello_mfDoc>();
        doc->headCount = 2;
        vmf::RecordJournal setup(s / "setup.vqjournal");
        std::string error;
        ASSERT_TRUE(setup.Begin(*doc, error)) << error;
        ASSERT_TRUE(setup.Flush());
    }
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"empty", s / "empty.vqjournal" + " は計測の記録ジャーナルではありません。\n"},
        {"magic", s / "magic.vqjournal" + " holds no complete entry\n"},
        {"setup",
         s / "setup.vqjournal" +
             " holds the set-up of a recording (2 heads) but no records; nothing written\n"},
    };
    for (const auto& [name, said] : cases) {
        const auto run =
            RunCli("recover '" + (s / (name + ".vqjournal")) + "' --out '" + out + "'");
        EXPECT_EQ(run.exitCode, 2) << name;
        EXPECT_EQ(run.err, "varnello-cli recover: " + said) << name;
        EXPECT_FALSE(fs::exists(out)) << name;
    }
}

}  // namespace
#endif
