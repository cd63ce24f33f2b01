// varnello-cli: headless use of the measuring core (inspect, detect, acquire,
// export, statistics). Each sub-command lives in its own Cmd*.cpp file.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <utility>

#include "cli/CliCommand.h"
#include "device/LibraryConventions.h"

namespace vmf::cli {
std::vector<CliCommandSetup>& CliCommands() {
    static std::vector<CliCommandSetup> commands;
    return commands;
}
}  // namespace vmf::cli

int main(int argc, char** argv) {
    CLI::App app{"varnello-cli: measuring core of varnello_mf without a window"};
    app.require_subcommand(1);
    app.footer(vmf::kDeviceEnvironmentHelp);
    std::vector<std::pair<CLI::App*, std::function<int()>>> runners;
    for (auto& setup : vmf::cli::CliCommands()) {
        size_t before = app.get_subcommands({}).size();
        auto run = setup(app);
        auto subs = app.get_subcommands({});
        if (subs.size() > before) runners.emplace_back(subs.back(), std::move(run));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : vmf::cli::kExitUsage;
    }
    for (auto& [sub, run] : runners)
        if (sub->parsed()) return run();
    return vmf::cli::kExitUsage;
}
