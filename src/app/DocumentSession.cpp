#include "app/DocumentSession.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/RecentFileList.h"
#include "common/DocumentNaming.h"
#include "common/FileWork.h"
#include "common/UserDialogs.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string WithArgument(const char* pattern, const std::string& argument) {
    std::string text(pattern);
    const auto at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

bool CanOpenForReading(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(FsPath(path), ec)) return false;
    std::ifstream in(FsPath(path), std::ios::binary);
    return in.is_open();
}

// Same file by text, or by identity when both exist (another spelling of the
// same path, a link).
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    if (SamePath(a, b)) return true;
    std::error_code ec;
    return std::filesystem::equivalent(FsPath(a), FsPath(b), ec) && !ec;
}

}  // namespace

DocumentSession::DocumentSession(Cvarnello_mfDoc& doc, UserDialogs& dialogs, RecentFileList& recent,
                                 FileWork* work)
    : doc_(doc),
      dialogs_(dialogs),
      recent_(recent),
      ownWork_(work ? nullptr : std::make_unique<ImmediateFileWork>()),
      work_(work ? *work : *ownWork_) {}

DocumentSession::~DocumentSession() = default;

bool DocumentSession::SaveModified(bool discarding) {
    if (!doc_.IsModified()) return true;
    switch (dialogs_.AskYesNoCancel(WithArgument(kSavePrompt, DisplayTitle(doc_.title)))) {
        case 1:
            return Save();
        case 0:
            if (discarding && settled_) settled_();
            return true;
        default:
            return false;
    }
}

bool DocumentSession::New() {
    // File New keeps the records in the store: No does not discard them.
    if (!SaveModified(false)) return false;
    doc_.pathName.clear();
    doc_.title.clear();
    doc_.SetModifiedFlag(false);
    return true;
}

DocumentSession::OpenOutcome DocumentSession::Open() {
    const auto chosen = dialogs_.OpenFileName(kOpenTitle, kDataFileFilter, "");
    if (!chosen || chosen->empty()) return OpenOutcome::Cancelled;
    return OpenPath(*chosen);
}

DocumentSession::OpenOutcome DocumentSession::OpenPath(const std::string& path) {
    if (SameFile(path, doc_.pathName)) return OpenOutcome::AlreadyOpen;
    if (!SaveModified()) return OpenOutcome::Cancelled;
    if (!CanOpenForReading(path)) {
        recent_.Remove(path);
        dialogs_.Notify(WithArgument(kCannotOpen, path));
        return OpenOutcome::Failed;
    }
    // The worker reads into a store of its own; this one is touched only
    // here, on the caller's thread, once the whole file has been read.
    std::string error, notice;
    FileFailure failure = FileFailure::None;
    std::unique_ptr<Cvarnello_mfDoc> staged;
    bool read = false;
    if (!work_.Run(FileJobCaption(kLoadingCaption, FileNameOf(path)), [&](FileProgress& progress) {
            read = Cvarnello_mfDoc::ReadStaged(path, staged, error, failure, notice, &progress);
        })) {
        dialogs_.Notify(kFileWorkRunning);
        return OpenOutcome::Cancelled;
    }
    if (failure == FileFailure::Cancelled) return OpenOutcome::Cancelled;
    if (!read) {
        // The store reads all or nothing, so the document the user had is
        // still whole: keep it, with its title and path, rather than
        // renaming it untitled over data that did not change.
        dialogs_.Notify(kUnexpectedFormat);
        return OpenOutcome::Failed;
    }
    if (staged) {
        doc_.AdoptLoaded(*staged);
        // The records the file replaced may have gone to staged; freeing
        // them is the worker's too (a full store's take a tenth of a second).
        work_.Run(std::string(), [&staged](FileProgress&) { staged.reset(); });
    }
    doc_.pathName = path;
    doc_.title = FileNameOf(path);
    doc_.SetModifiedFlag(false);
    recent_.Add(path);
    if (!notice.empty()) dialogs_.Notify(notice);
    return OpenOutcome::Opened;
}

bool DocumentSession::Save() {
    if (doc_.pathName.empty()) return SaveAs();
    return SaveTo(doc_.pathName, false);
}

bool DocumentSession::SaveAs() {
    const std::string proposal =
        doc_.pathName.empty() ? ProposedSaveName(doc_.title) : doc_.pathName;
    const auto chosen = dialogs_.SaveFileName(kSaveAsTitle, kDataFileFilter, proposal);
    if (!chosen || chosen->empty()) return false;
    return SaveTo(WithDefaultExtension(*chosen), true);
}

bool DocumentSession::SaveTo(const std::string& path, bool retitle) {
    // The store is only read meanwhile; the caller's thread refuses every
    // command that could change it until the work is done.
    std::string error;
    FileFailure failure = FileFailure::None;
    bool written = false;
    if (!work_.Run(FileJobCaption(kSavingCaption, FileNameOf(path)), [&](FileProgress& progress) {
            written = doc_.SaveToFile(path, error, failure, &progress);
        })) {
        dialogs_.Notify(kFileWorkRunning);
        return false;
    }
    if (failure == FileFailure::Cancelled) return false;
    if (!written) {
        dialogs_.Notify(error.empty() ? WithArgument(kCannotOpen, path) : error);
        return false;
    }
    if (settled_) settled_();
    doc_.pathName = path;
    if (retitle) doc_.title = FileNameOf(path);
    doc_.SetModifiedFlag(false);
    recent_.Add(path);
    return true;
}

}  // namespace vmf
