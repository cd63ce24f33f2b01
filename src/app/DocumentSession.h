#pragma once
// The file commands of the main frame on the one store: New, Open, Save,
// Save As, the save prompt and the recent-file list. Core code: questions,
// notices and file choices go through UserDialogs, so tests drive it
// without a window. The frame re-initialises the panel and updates its
// caption according to what these return.
//
// The reading and writing of the file run through FileWork: in the window on
// a worker with progress and Cancel, the calls still returning only once the
// work is done. A cancelled load or save changes nothing and tells nothing.

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace vmf {

class Cvarnello_mfDoc;
class FileWork;
class RecentFileList;
class UserDialogs;

inline constexpr const char* kSavePrompt = "%1 への変更を保存しますか?";
inline constexpr const char* kUnexpectedFormat = "予期しないファイル形式です。";
inline constexpr const char* kCannotOpen = "ファイル %1 を開くことができません。";
inline constexpr const char* kOpenTitle = "開く";
inline constexpr const char* kSaveAsTitle = "名前を付けて保存";

class DocumentSession {
public:
    // work runs the file reading and writing; without one it runs at once.
    DocumentSession(Cvarnello_mfDoc& doc, UserDialogs& dialogs, RecentFileList& recent,
                    FileWork* work = nullptr);
    ~DocumentSession();

    // For a modified store asks kSavePrompt (Yes / No / Cancel). Yes saves
    // (Save As when there is no file yet). True when the caller may go on:
    // unmodified, No, or Yes with a successful save. discarding: the caller
    // is about to drop the store's records (closing, opening another file),
    // so No discards them.
    bool SaveModified(bool discarding = true);

    // Called once the records are in a file the user saved, or discarded by
    // answering No before they are dropped: their recovery journal may go.
    void SetRecordsSettled(std::function<void()> settled) { settled_ = std::move(settled); }

    // File New: after the save prompt, the store forgets its path, title
    // and modified flag; its content stays. False when cancelled.
    bool New();

    enum class OpenOutcome {
        Cancelled,    // file dialog, save prompt or the loading cancelled; nothing changed
        AlreadyOpen,  // the chosen file is the current document; not read again
        Opened,       // read; path, title (the file's name) and recent list set
        Failed,       // reported to the user; store, path and title untouched
    };
    // File Open: the file dialog, then as OpenPath.
    OpenOutcome Open();
    // Opens a file named on the command line, dropped or picked from the
    // recent list: the same-file check, the save prompt, then loading. A
    // file that cannot be read leaves the store as it was and says so
    // (kCannotOpen, or kUnexpectedFormat when its content does not fit).
    OpenOutcome OpenPath(const std::string& path);

    // File Save: writes to the store's file, or asks as Save As when it has
    // none. Keeps the title (after a detection it is the detection's). A
    // failed or cancelled write leaves the store modified (a failure is
    // reported). True on success.
    bool Save();
    // File Save As: proposes the file, or the title cut before ':', '/',
    // '\\' plus ".vqdata"; appends ".vqdata" to a name without extension;
    // after a successful write the title becomes the file's name.
    bool SaveAs();

private:
    bool SaveTo(const std::string& path, bool retitle);

    Cvarnello_mfDoc& doc_;
    UserDialogs& dialogs_;
    RecentFileList& recent_;
    std::function<void()> settled_;
    std::unique_ptr<FileWork> ownWork_;  // when none was given
    FileWork& work_;
};

}  // namespace vmf
