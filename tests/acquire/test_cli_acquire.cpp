// varnello-cli acquire end to end: the file it writes reads back through
// varnello-cli info with every record and the history lines.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

namespace {

std::string Shell(const std::string& command, int& status) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    status = pclose(pipe);
    return out;
}

TEST(CliAcquire, HundredRecordsOnTheDefaultBenchReadBackThroughInfo) {
    const auto path = (std::filesystem::temp_directory_path() / "vmf_cli_acquire.vqdata").string();
    std::filesystem::remove(path);
    int status = -1;
    const std::string out =
        Shell(std::string(VARNELLO_CLI_PATH) +
                " acquire --bench '0:head:SN000001;1:head:SN000002;2:led16;3:mirror;timescale=0' --count 100 --out " +
                path + " 2>/dev/null",
            status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("100 records per head, 2 heads"), std::string::npos) << out;

    const std::string info = Shell(std::string(VARNELLO_CLI_PATH) + " info " + path, status);
    ASSERT_EQ(status, 0);
    const auto j = nlohmann::json::parse(info);
    ASSERT_EQ(j["headCount"], 2);
    for (const auto& head : j["heads"]) EXPECT_EQ(head["recordCount"], 100);
    const std::string history = j["historyText"];
    EXPECT_NE(history.find("計測開始 DataNo=0 wave comp=0 1:serial=SN000001 exp=10000"), std::string::npos);
    EXPECT_NE(history.find("計測終了 DataNo=99\r\n"), std::string::npos);
    std::filesystem::remove(path);
}

TEST(CliAcquire, RefusesABadBenchAndMissingOutput) {
    int status = -1;
    Shell(std::string(VARNELLO_CLI_PATH) + " acquire --bench 'nonsense' --out /tmp/x.vqdata 2>/dev/null", status);
    EXPECT_NE(status, 0);
    Shell(std::string(VARNELLO_CLI_PATH) + " acquire --count 5 2>/dev/null", status);
    EXPECT_NE(status, 0);
    Shell(std::string(VARNELLO_CLI_PATH) + " acquire --count 0 --out /tmp/x.vqdata 2>/dev/null", status);
    EXPECT_NE(status, 0);
}

}  // namespace
