#include "app/JournalKeeper.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include "app/RecoveryQuestion.h"
#include "common/UserDialogs.h"
#include "store/Cvarnello_mfDoc.h"
#include "store/JournalFormat.h"
#include "store/LocalTime.h"
#include "store/TextFormat.h"

namespace vmf {
namespace {

namespace fs = std::filesystem;

constexpr const char* kExtension = ".vqjournal";

fs::path FsPath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const fs::path& p) {
    const std::u8string u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

// A name no earlier session can have used: its start time and process.
std::string SessionJournalName() {
#if defined(_WIN32)
    const long pid = static_cast<long>(_getpid());
#else
    const long pid = static_cast<long>(::getpid());
#endif
    return "recording-" + FormatLocalTime(std::time(nullptr), "%Y%m%d-%H%M%S") + "-" +
           std::to_string(pid) + kExtension;
}

}  // namespace

JournalKeeper::JournalKeeper(Cvarnello_mfDoc& doc, UserDialogs& dialogs, std::string folder)
    : doc_(doc), dialogs_(dialogs), folder_(std::move(folder)) {
    std::error_code ec;
    fs::create_directories(FsPath(folder_), ec);
    journal_ = std::make_unique<RecordJournal>(Utf8(FsPath(folder_) / SessionJournalName()));
}

JournalKeeper::~JournalKeeper() = default;

std::vector<std::string> JournalKeeper::LeftBehind() const {
    std::vector<std::pair<fs::file_time_type, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(FsPath(folder_), ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file() || it->path().extension() != kExtension) continue;
        const std::string path = Utf8(it->path());
        if (path == journal_->Path() || RecordJournal::JournalInUse(path)) continue;
        std::error_code timeEc;
        found.emplace_back(it->last_write_time(timeEc), path);
    }
    std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) { return x > y; });
    std::vector<std::string> paths;
    for (auto& f : found) paths.push_back(std::move(f.second));
    return paths;
}

bool JournalKeeper::OfferRecovery() {
    for (const std::string& path : LeftBehind()) {
        // Read first, so the question can say what OK would bring back.
        auto staged = std::make_unique<Cvarnello_mfDoc>();
        JournalReplay replay;
        std::string error;
        if (!ReplayJournalFile(path, *staged, replay, error) || replay.frames == 0) {
            // Only what happened is said: moved aside, or left where it was.
            dialogs_.Notify(SetAside(path) ? std::string(kRecoverFailed)
                                           : CFormat(kFmtSetAsideFailed, path.c_str()));
            continue;
        }
        if (!dialogs_.AskOkCancel(RecoveryQuestion(*staged, SetAsideFolder()))) {
            if (!SetAside(path)) dialogs_.Notify(CFormat(kFmtSetAsideFailed, path.c_str()));
            continue;
        }
        Restore(path, *staged);
        return true;
    }
    return false;
}

void JournalKeeper::Restore(const std::string& path, Cvarnello_mfDoc& staged) {
    std::string error;
    doc_.AdoptLoaded(staged);
    doc_.pathName.clear();
    doc_.title = kRecoveredTitle;
    doc_.SetModifiedFlag(true);
    // The records live on in this session's journal; the old one goes only
    // once they are safely in the new one.
    journal_->Remove();
    if (journal_->Begin(doc_, error) && journal_->Flush()) {
        std::error_code ec;
        fs::remove(FsPath(path), ec);
    }
}

bool JournalKeeper::SetAside(const std::string& path) const {
    std::error_code ec;
    const fs::path aside = FsPath(SetAsideFolder());
    fs::create_directories(aside, ec);
    fs::rename(FsPath(path), aside / FsPath(path).filename(), ec);
    return !ec;
}

std::string JournalKeeper::SetAsideFolder() const {
    return Utf8((FsPath(folder_) / "set-aside").make_preferred());
}

void JournalKeeper::Discard() { journal_->Remove(); }

}  // namespace vmf
