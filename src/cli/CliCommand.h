#pragma once
// Sub-commands of varnello-cli register themselves here: each command file
// holds one static CliCommandRegistrar, so adding a command touches one file
// and the source list.

#include <functional>
#include <vector>

namespace CLI {
class App;
}

namespace vmf::cli {

// Exit codes shared by every sub-command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailed = 2;

// Adds a sub-command to app; returns the function run when it was chosen.
using CliCommandSetup = std::function<std::function<int()>(CLI::App& app)>;

std::vector<CliCommandSetup>& CliCommands();

struct CliCommandRegistrar {
    explicit CliCommandRegistrar(CliCommandSetup setup) {
        CliCommands().push_back(std::move(setup));
    }
};

}  // namespace vmf::cli
