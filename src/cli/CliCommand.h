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

// The one numbering rule of every head and record number the tool reads or
// writes, stated in the help of each command that has them.
inline constexpr const char* kNumberingHelp =
    "ヘッドと記録の番号は 0 から数えます (最初の記録が 0)。オプション、CSV、JSON、"
    "HDF5 書き出し、Python の読み取りのすべてで同じです。";

// Adds a sub-command to app; returns the function run when it was chosen.
using CliCommandSetup = std::function<std::function<int()>(CLI::App& app)>;

std::vector<CliCommandSetup>& CliCommands();

struct CliCommandRegistrar {
    explicit CliCommandRegistrar(CliCommandSetup setup) {
        CliCommands().push_back(std::move(setup));
    }
};

}  // namespace vmf::cli
