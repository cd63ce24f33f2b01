#pragma once
// Runs the built varnello-cli (path from the VARNELLO_CLI_PATH definition)
// through the shell and collects its exit code, stdout and stderr.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "fakes/BuildPath.h"
#include "fakes/TestEnv.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

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

#if defined(_WIN32)
inline std::string CliPath() { return BuildFilePath(VARNELLO_CLI_PATH); }

// The NAME='value' pairs of a POSIX shell prefix.
inline std::vector<std::pair<std::string, std::string>> ShellAssignments(const std::string& env) {
    std::vector<std::pair<std::string, std::string>> out;
    size_t i = 0;
    while (i < env.size()) {
        while (i < env.size() && env[i] == ' ') ++i;
        const size_t eq = env.find('=', i);
        if (eq == std::string::npos) break;
        std::string name = env.substr(i, eq - i);
        std::string value;
        i = eq + 1;
        if (i < env.size() && env[i] == '\'') {
            const size_t end = env.find('\'', i + 1);
            value = env.substr(i + 1, end - i - 1);
            i = end == std::string::npos ? env.size() : end + 1;
        } else {
            const size_t end = env.find(' ', i);
            value = env.substr(i, end - i);
            i = end == std::string::npos ? env.size() : end;
        }
        out.emplace_back(std::move(name), std::move(value));
    }
    return out;
}
#endif

// args are appended to the program path as shell text; env (shell text, e.g.
// "VMF_BENCH='0:head'") goes before it. VMF_BENCH of the caller is never
// inherited, so tests do not depend on the developer's environment.
// On Windows the same texts go through cmd.exe: single quotes become double
// quotes and the assignments are set for the run and undone afterwards.
inline CliRun RunCli(const std::string& args, const std::string& env = "") {
    const std::string base = ::testing::TempDir() + "vmf_cli_" + std::to_string(ProcessId());
    CliRun run;
#if defined(_WIN32)
    std::vector<std::unique_ptr<ScopedEnv>> scoped;
    scoped.push_back(std::make_unique<ScopedEnv>("VMF_BENCH", nullptr));
    for (const auto& [name, value] : ShellAssignments(env))
        scoped.push_back(std::make_unique<ScopedEnv>(name.c_str(), value.c_str()));
    std::string quoted = args;
    for (char& c : quoted)
        if (c == '\'') c = '"';
    // cmd /c drops the outermost quotes: the whole line is wrapped once more.
    const std::string command = "\"\"" + CliPath() + "\" " + quoted + " >\"" + base +
                                ".out\" 2>\"" + base + ".err\"\"";
    run.exitCode = std::system(command.c_str());
#else
    const std::string command = "env -u VMF_BENCH " + env + " '" + VARNELLO_CLI_PATH + "' " + args +
                                " >'" + base + ".out' 2>'" + base + ".err'";
    const int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.out = SlurpFile(base + ".out");
    run.err = SlurpFile(base + ".err");
#if defined(_WIN32)
    // stderr is a text stream there: each line ends CR LF on its way out.
    for (size_t at; (at = run.err.find("\r\n")) != std::string::npos;) run.err.erase(at, 1);
#endif
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return run;
}

}  // namespace vmf::test
