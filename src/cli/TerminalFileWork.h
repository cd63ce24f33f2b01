#pragma once
// FileWork for varnello-cli: when stderr is a terminal, the job runs on a
// worker while the main thread keeps one progress line up to date
// ("<caption> 45%"), rewritten in place and ended by a line feed; work done
// within a fifth of a second prints nothing. Anywhere else (a pipe, a log
// file, a test) the job simply runs and nothing is printed.

#include <cstdio>
#include <string>

#include "common/FileWork.h"

namespace vmf {
class Cvarnello_mfDoc;
}

namespace vmf::cli {

class TerminalFileWork : public FileWork {
public:
    // out: where the line goes; shown: whether to show it (default: whether
    // out is a terminal).
    explicit TerminalFileWork(std::FILE* out = stderr);
    TerminalFileWork(std::FILE* out, bool shown) : out_(out), shown_(shown) {}

    bool Run(const std::string& caption, const FileJob& job) override;
    bool Running() const override { return running_; }

private:
    std::FILE* out_;
    bool shown_;
    bool running_ = false;
};

// A data file read into doc / doc written to a data file, with the progress
// line on a terminal; the store's own messages in error on failure.
bool LoadDataFile(Cvarnello_mfDoc& doc, const std::string& path, std::string& error);
// The same, with notice set when the load succeeded but left something out
// (a damaged time-stamp trailer), else emptied.
bool LoadDataFile(Cvarnello_mfDoc& doc, const std::string& path, std::string& error,
                  std::string& notice);
bool SaveDataFile(const Cvarnello_mfDoc& doc, const std::string& path, std::string& error);

}  // namespace vmf::cli
