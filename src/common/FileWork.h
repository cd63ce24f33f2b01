#pragma once
// Long file work (opening and saving data files, comparison files, CSV and
// other exports) goes through this one interface, so the commands that do it
// need not know where it runs. The window's implementation runs the job on a
// worker thread and keeps the event loop turning, with a progress dialog and
// Cancel for work that takes a while; the command-line tool prints a
// progress line; ImmediateFileWork simply calls the job (tests, tools).
//
// A job must not touch widgets or any state the caller's thread uses while
// it runs: it reads its inputs, writes its own outputs, and reports through
// the FileProgress it is given. The caller takes the results after Run
// returns.

#include <functional>
#include <string>
#include <string_view>

#include "common/FileProgress.h"

namespace vmf {

using FileJob = std::function<void(FileProgress&)>;

class FileWork {
public:
    virtual ~FileWork() = default;
    // Runs job and returns once it has finished. caption says what is done
    // ("<name> を保存しています"), UTF-8. False without running it when
    // another job is still running (a command reached from within the wait).
    virtual bool Run(const std::string& caption, const FileJob& job) = 0;
    // True while a job runs; commands that read or change the store refuse.
    virtual bool Running() const = 0;
};

class ImmediateFileWork : public FileWork {
public:
    bool Run(const std::string&, const FileJob& job) override {
        if (running_) return false;
        running_ = true;
        FileProgress progress;
        job(progress);
        running_ = false;
        return true;
    }
    bool Running() const override { return running_; }

private:
    bool running_ = false;
};

// What a command says when it is refused while file work runs.
inline constexpr const char* kFileWorkRunning =
    "ファイルの読み書き中です。終わるまでお待ちください。";
// The question when the window is closed during file work: OK cancels the
// work and closes, Cancel waits for it.
inline constexpr const char* kCloseDuringFileWork =
    "ファイルの読み書きを中止して終了しますか？(キャンセルを押すと、終わるまで待ちます)";
// Captions of the progress dialog; %1 is the file's name.
inline constexpr const char* kLoadingCaption = "%1 を読み込んでいます";
inline constexpr const char* kSavingCaption = "%1 を保存しています";
// Exports of the records to another format (CSV, HDF5).
inline constexpr const char* kWritingCaption = "%1 に書き出しています";

}  // namespace vmf

namespace vmf {

// A caption above with %1 replaced by name.
inline std::string FileJobCaption(std::string_view pattern, std::string_view name) {
    const auto at = pattern.find("%1");
    if (at == std::string_view::npos) return std::string(pattern);
    std::string text;
    text.reserve(pattern.size() + name.size());
    text.append(pattern.data(), at).append(name.data(), name.size());
    text.append(pattern.data() + at + 2, pattern.size() - at - 2);
    return text;
}

}  // namespace vmf
