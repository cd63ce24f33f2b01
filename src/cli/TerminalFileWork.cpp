#include "cli/TerminalFileWork.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "common/DocumentNaming.h"
#include "store/Cvarnello_mfDoc.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vmf::cli {
namespace {

bool IsTerminal(std::FILE* out) {
#if defined(_WIN32)
    return _isatty(_fileno(out)) != 0;
#else
    return ::isatty(::fileno(out)) != 0;
#endif
}

constexpr auto kTick = std::chrono::milliseconds(200);

}  // namespace

TerminalFileWork::TerminalFileWork(std::FILE* out) : out_(out), shown_(IsTerminal(out)) {}

bool TerminalFileWork::Run(const std::string& caption, const FileJob& job) {
    if (running_) return false;
    running_ = true;
    FileProgress progress;
    if (!shown_) {
        job(progress);
        running_ = false;
        return true;
    }
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        job(progress);
        finished.store(true);
    });
    bool printed = false;
    auto line = [&](int percent) {
        std::fprintf(out_, "\r%s %3d%%", caption.c_str(), percent);
        std::fflush(out_);
        printed = true;
    };
    auto next = std::chrono::steady_clock::now() + kTick;
    while (!finished.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto now = std::chrono::steady_clock::now();
        if (now < next) continue;
        next = now + kTick;
        line(ProgressPercent(progress.done.load(), progress.total.load()));
    }
    worker.join();
    if (printed) {
        line(ProgressPercent(progress.done.load(), progress.total.load()));
        std::fputc('\n', out_);
        std::fflush(out_);
    }
    running_ = false;
    return true;
}

bool LoadDataFile(Cvarnello_mfDoc& doc, const std::string& path, std::string& error) {
    std::string notice;
    return LoadDataFile(doc, path, error, notice);
}

bool LoadDataFile(Cvarnello_mfDoc& doc, const std::string& path, std::string& error,
                  std::string& notice) {
    bool ok = false;
    FileFailure failure = FileFailure::None;
    TerminalFileWork work;
    work.Run(FileJobCaption(kLoadingCaption, FileNameOf(path)), [&](FileProgress& progress) {
        ok = doc.LoadFromFile(path, error, failure, notice, &progress);
    });
    return ok;
}

bool SaveDataFile(const Cvarnello_mfDoc& doc, const std::string& path, std::string& error) {
    bool ok = false;
    FileFailure failure = FileFailure::None;
    TerminalFileWork work;
    work.Run(FileJobCaption(kSavingCaption, FileNameOf(path)),
             [&](FileProgress& progress) { ok = doc.SaveToFile(path, error, failure, &progress); });
    return ok;
}

}  // namespace vmf::cli
