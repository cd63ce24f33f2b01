#pragma once
// The program's recovery journals in one folder (the GUI passes its per-user
// data folder): the journal of this session's recordings, and at start-up
// the journals that earlier sessions left behind when they ended without
// saving or discarding their records (a crash, a kill, a power cut).
//
// A journal is removed exactly when its records are in a data file the user
// saved or the user discarded them (Discard); a journal the user chooses not
// to restore is moved into the "set-aside" folder beside it, never deleted.

#include <memory>
#include <string>
#include <vector>

#include "store/RecordJournal.h"

namespace vmf {

class Cvarnello_mfDoc;
class UserDialogs;

inline constexpr const char* kRecoverFailed =
    "計測データを復元できませんでした。記録ファイルは、復元しなかった記録を残しておくフォルダ "
    "(復元用フォルダの set-aside) に移しました。";
// The journal could not be moved aside (printf: its path): it stays where it
// is and is offered again at the next start.
inline constexpr const char* kFmtSetAsideFailed =
    "記録ファイルを、復元しなかった記録を残しておくフォルダ (復元用フォルダの set-aside) "
    "に移せなかったため、元の場所に残しています。\n%s";
inline constexpr const char* kRecoveredTitle = "復元された計測データ";

class JournalKeeper {
public:
    // folder: where journals live (created when missing).
    JournalKeeper(Cvarnello_mfDoc& doc, UserDialogs& dialogs, std::string folder);
    ~JournalKeeper();

    // This session's journal, for the acquisition to write.
    RecordJournal& Journal() { return *journal_; }
    const std::string& Folder() const { return folder_; }
    // With the platform's separators: the start-up question shows it.
    std::string SetAsideFolder() const;

    // Journals no running program holds, newest first.
    std::vector<std::string> LeftBehind() const;

    // Start-up: asks about each journal left behind, telling what it holds
    // (RecoveryQuestion); one that cannot be read is set aside with
    // kRecoverFailed, unasked. OK restores it: the
    // store becomes what was journalled, modified and titled as recovered,
    // and this session's journal carries it on. Cancel moves it aside. True
    // when a store was restored (the caller re-initialises the panel).
    bool OfferRecovery();

    // The records are saved or discarded: this session's journal goes.
    void Discard();

private:
    // The store becomes the journal's (replayed into staged).
    void Restore(const std::string& path, Cvarnello_mfDoc& staged);
    // Moves a journal into the set-aside folder; false (and nothing moved)
    // when that cannot be done.
    bool SetAside(const std::string& path) const;

    Cvarnello_mfDoc& doc_;
    UserDialogs& dialogs_;
    std::string folder_;
    std::unique_ptr<RecordJournal> journal_;
};

}  // namespace vmf
