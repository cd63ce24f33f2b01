#pragma once
// Runs the built varnello-cli (path from the VARNELLO_CLI_PATH definition)
// through the shell and collects its exit code, stdout and stderr.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace vmf::test {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string SlurpFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// args are appended to the program path as shell text; env (shell text, e.g.
// "VMF_BENCH='0:head'") goes before it. VMF_BENCH of the caller is never
// inherited, so tests do not depend on the developer's environment.
inline CliRun RunCli(const std::string& args, const std::string& env = "") {
    const std::string base = ::testing::TempDir() + "vmf_cli_" + std::to_string(::getpid());
    const std::string command = "env -u VMF_BENCH " + env + " '" + VARNELLO_CLI_PATH + "' " + args +
                                " >'" + base + ".out' 2>'" + base + ".err'";
    CliRun run;
    const int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = SlurpFile(base + ".out");
    run.err = SlurpFile(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return run;
}

}  // namespace vmf::test
