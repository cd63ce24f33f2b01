#pragma once
// A plain unbuffered file handle over the platform's own calls (POSIX fd or
// Win32 HANDLE), with UTF-8 paths everywhere. The data file's archive does its
// own buffering on top; this class only moves bytes and knows how to replace a
// file safely (temporary file beside the target, flushed, renamed over it).

#include <cstddef>
#include <cstdint>
#include <string>

namespace vmf {

// Why a journal could not be opened when another open journal holds its lock.
inline constexpr const char* kJournalInUseText = "in use by another running program";

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Opens an existing file for reading. On failure returns false and sets
    // reason (the system's text for the error).
    bool OpenRead(const std::string& utf8Path, std::string& reason);
    // Creates a new, empty temporary file in the folder of utf8Target, with the
    // target's permissions when the target exists. tempPath receives its name.
    // Where the file system allows (Linux, O_TMPFILE) the file has no name
    // until ReplaceTarget, so a process killed while writing leaves nothing;
    // elsewhere, or when named is set (for a library that opens the file
    // by its name), it is named at once. Either way the temporaries that
    // killed processes left in that folder are removed first.
    bool CreateTempBeside(const std::string& utf8Target, std::string& tempPath, std::string& reason,
                          bool named = false);
    // Opens a stream for writing straight through: "-" is standard output,
    // anything else must be an existing FIFO or character device. Writes to
    // a stream whose reader has gone fail (broken pipe) instead of ending
    // the process.
    bool OpenStream(const std::string& utf8Path, std::string& reason);
    // Completes a temporary from CreateTempBeside: gives it tempPath as its
    // name if it has none yet, closes it and renames it over utf8Target.
    bool ReplaceTarget(const std::string& tempPath, const std::string& utf8Target,
                       std::string& reason);
    // Opens (creating when missing) a journal file for writing, locks it for
    // as long as it is open, and only then empties it: so IsLockedElsewhere
    // tells a live journal from one a crashed process left, and a second
    // writer is refused (inUse set, reason says so) before it touches a byte.
    bool CreateJournal(const std::string& utf8Path, std::string& reason, bool& inUse);
    // True while utf8Path still names this open file (not removed, renamed
    // or replaced since); where that cannot be told, true.
    bool NamedBy(const std::string& utf8Path) const;
    // Removes utf8Path only while it still names this open file, before the
    // handle (and its lock) goes: a file someone else made there since is
    // never removed. Closes the handle.
    void CloseAndRemove(const std::string& utf8Path);
    // True when the file exists and another open handle holds its lock.
    static bool IsLockedElsewhere(const std::string& utf8Path);

    // Reads up to size bytes; returns the count (0 at the end of the file) or
    // -1 on an error (reason set).
    std::ptrdiff_t Read(void* buffer, std::size_t size, std::string& reason);
    // The same at a given offset, without moving the handle's position; a
    // file opened for reading may be read this way from several threads.
    std::ptrdiff_t ReadAt(void* buffer, std::size_t size, uint64_t offset, std::string& reason);
    // Writes all size bytes or fails.
    bool Write(const void* buffer, std::size_t size, std::string& reason);
    // Forces written data to the disk.
    bool Sync(std::string& reason);
    // The same for the data alone (fdatasync where there is one): enough for
    // a file that only grows, and cheaper.
    bool SyncData(std::string& reason);
    // Closes the handle; for a written file a failing close is a write error.
    bool Close(std::string& reason);
    bool IsOpen() const;

    // Renames from over to (replacing it) and makes the rename durable.
    static bool RenameOver(const std::string& utf8From, const std::string& utf8To,
                           std::string& reason);
    // Removes a file; errors are ignored (used to drop a failed temporary).
    static void RemoveFile(const std::string& utf8Path);

private:
#if defined(_WIN32)
    void* handle_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
#else
    int fd_ = -1;
    bool unnamed_ = false;  // an O_TMPFILE file not yet linked into its folder
    bool stream_ = false;   // a pipe or device from OpenStream
#endif
};

}  // namespace vmf
