#include "store/FileHandle.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "store/TextFormat.h"

namespace vmf {
namespace {

// Distinguishes temporary names made by this process in quick succession.
std::atomic<unsigned> tempCounter{0};

std::string FolderOf(const std::string& path) {
#if defined(_WIN32)
    size_t slash = path.find_last_of("/\\");
#else
    size_t slash = path.find_last_of('/');
#endif
    if (slash == std::string::npos) return std::string();
    return path.substr(0, slash + 1);
}

std::string BaseOf(const std::string& path) {
#if defined(_WIN32)
    size_t slash = path.find_last_of("/\\");
#else
    size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Temporaries this program made for target: ".<name>.<pid>-<n>-<tick>.tmp".
std::string TempPrefix(const std::string& target) {
    // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + string.
    std::string prefix(1, '.');
    prefix += BaseOf(target);
    prefix += '.';
    return prefix;
}

// Temporaries this program made for any target: ".<name>.<pid>-<n>-<tick>.tmp".
bool IsOurTempName(const std::string& name, unsigned long& pid) {
    if (name.size() < 6 || name[0] != '.' || name.compare(name.size() - 4, 4, ".tmp") != 0)
        return false;
    const std::string rest = name.substr(0, name.size() - 4);
    const size_t dot = rest.find_last_of('.');
    if (dot == 0 || dot == std::string::npos) return false;
    unsigned long p = 0;
    unsigned n = 0;
    unsigned long long tick = 0;
    char tail = 0;
    if (std::sscanf(rest.c_str() + dot + 1, "%lu-%u-%llx%c", &p, &n, &tick, &tail) != 3)
        return false;
    pid = p;
    return true;
}

std::string TempName(const std::string& target, unsigned attempt, unsigned long pid) {
    unsigned long long tick = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    return FolderOf(target) + TempPrefix(target) +
           CFormat(".%lu-%u-%llx.tmp", pid, tempCounter.fetch_add(1) + attempt, tick & 0xFFFFFFull);
}

bool ProcessAlive(unsigned long pid);

// A save or export killed half-way leaves its temporary behind; the next one
// into the same folder clears every one whose process is gone, whatever file
// it was meant to become. Only names of our own pattern are touched, and
// never those of a process still running.
void RemoveStaleTemps(const std::string& target) {
    namespace fs = std::filesystem;
    const std::string folder = FolderOf(target);
    std::error_code ec;
    fs::directory_iterator it(
        folder.empty() ? fs::path(".") : fs::path(std::u8string(folder.begin(), folder.end())), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::u8string u8 = it->path().filename().u8string();
        const std::string name(u8.begin(), u8.end());
        unsigned long pid = 0;
        if (!IsOurTempName(name, pid) || ProcessAlive(pid)) continue;
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

}  // namespace

#if defined(_WIN32)

namespace {
std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}
std::string LastError() { return std::system_category().message(static_cast<int>(GetLastError())); }
HANDLE H(void* h) { return static_cast<HANDLE>(h); }
}  // namespace

namespace {
bool ProcessAlive(unsigned long pid) {
    if (pid == GetCurrentProcessId()) return true;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}
}  // namespace

FileHandle::~FileHandle() {
    if (IsOpen()) CloseHandle(H(handle_));
}

bool FileHandle::IsOpen() const { return H(handle_) != INVALID_HANDLE_VALUE; }

bool FileHandle::OpenRead(const std::string& utf8Path, std::string& reason) {
    // Sharing writes lets a recovery journal be read while its writer still
    // holds it open; data files are replaced by rename, never written in place.
    handle_ = CreateFileW(Wide(utf8Path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                          nullptr);
    if (!IsOpen()) reason = LastError();
    return IsOpen();
}

bool FileHandle::CreateTempBeside(const std::string& utf8Target, std::string& tempPath,
                                  std::string& reason, bool) {
    RemoveStaleTemps(utf8Target);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        tempPath = TempName(utf8Target, attempt, GetCurrentProcessId());
        handle_ = CreateFileW(Wide(tempPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (IsOpen()) return true;
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    reason = LastError();
    return false;
}

bool FileHandle::OpenStream(const std::string& utf8Path, std::string& reason) {
    if (utf8Path == "-") {
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        HANDLE self = GetCurrentProcess();
        if (!out || out == INVALID_HANDLE_VALUE ||
            !DuplicateHandle(self, out, self, reinterpret_cast<HANDLE*>(&handle_), 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
            handle_ = INVALID_HANDLE_VALUE;
            reason = LastError();
            return false;
        }
        return true;
    }
    handle_ = CreateFileW(Wide(utf8Path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!IsOpen()) reason = LastError();
    return IsOpen();
}

std::ptrdiff_t FileHandle::Read(void* buffer, std::size_t size, std::string& reason) {
    DWORD got = 0;
    DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    if (!ReadFile(H(handle_), buffer, want, &got, nullptr)) {
        reason = LastError();
        return -1;
    }
    return static_cast<std::ptrdiff_t>(got);
}

std::ptrdiff_t FileHandle::ReadAt(void* buffer, std::size_t size, uint64_t offset,
                                  std::string& reason) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    if (!ReadFile(H(handle_), buffer, want, &got, &at)) {
        // Reading at or past the end is the end, as for a plain read.
        if (GetLastError() == ERROR_HANDLE_EOF) return 0;
        reason = LastError();
        return -1;
    }
    return static_cast<std::ptrdiff_t>(got);
}

bool FileHandle::Write(const void* buffer, std::size_t size, std::string& reason) {
    const char* p = static_cast<const char*>(buffer);
    while (size > 0) {
        DWORD put = 0;
        DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        if (!WriteFile(H(handle_), p, want, &put, nullptr) || put == 0) {
            reason = LastError();
            return false;
        }
        p += put;
        size -= put;
    }
    return true;
}

bool FileHandle::Sync(std::string& reason) {
    if (FlushFileBuffers(H(handle_))) return true;
    reason = LastError();
    return false;
}

bool FileHandle::SyncData(std::string& reason) { return Sync(reason); }

bool FileHandle::ReplaceTarget(const std::string& tempPath, const std::string& utf8Target,
                               std::string& reason) {
    return Close(reason) && RenameOver(tempPath, utf8Target, reason);
}

bool FileHandle::CreateJournal(const std::string& utf8Path, std::string& reason, bool& inUse) {
    // No sharing for writing or deleting: a second program finds it in use,
    // and the system refuses the open before anything is truncated.
    handle_ = CreateFileW(Wide(utf8Path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    inUse = !IsOpen() && GetLastError() == ERROR_SHARING_VIOLATION;
    if (!IsOpen()) reason = inUse ? std::string(kJournalInUseText) : LastError();
    return IsOpen();
}

// Nobody can remove or replace the file while this handle, which does not
// share deleting, is open.
bool FileHandle::NamedBy(const std::string&) const { return true; }

void FileHandle::CloseAndRemove(const std::string& utf8Path) {
    std::string ignored;
    Close(ignored);
    RemoveFile(utf8Path);
}

bool FileHandle::IsLockedElsewhere(const std::string& utf8Path) {
    HANDLE h = CreateFileW(Wide(utf8Path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(h);
    return false;
}

bool FileHandle::Close(std::string& reason) {
    if (!IsOpen()) return true;
    bool ok = CloseHandle(H(handle_)) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    if (!ok) reason = LastError();
    return ok;
}

bool FileHandle::RenameOver(const std::string& utf8From, const std::string& utf8To,
                            std::string& reason) {
    if (MoveFileExW(Wide(utf8From).c_str(), Wide(utf8To).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    reason = LastError();
    return false;
}

void FileHandle::RemoveFile(const std::string& utf8Path) { DeleteFileW(Wide(utf8Path).c_str()); }

#else  // POSIX

namespace {
std::string ErrnoText(int err) { return std::generic_category().message(err); }
}  // namespace

namespace {
bool ProcessAlive(unsigned long pid) {
    if (pid == 0 || pid > static_cast<unsigned long>(INT32_MAX)) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}
}  // namespace

FileHandle::~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
}

bool FileHandle::IsOpen() const { return fd_ >= 0; }

bool FileHandle::OpenRead(const std::string& utf8Path, std::string& reason) {
    do {
        fd_ = ::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        reason = ErrnoText(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        reason = ErrnoText(EISDIR);
        ::close(fd_);
        fd_ = -1;
        return false;
    }
#if defined(POSIX_FADV_SEQUENTIAL)
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return true;
}

bool FileHandle::CreateTempBeside(const std::string& utf8Target, std::string& tempPath,
                                  std::string& reason, bool named) {
    RemoveStaleTemps(utf8Target);
    int err = 0;
    unnamed_ = false;
#if defined(O_TMPFILE)
    // Naming the file later goes through /proc; without it (some containers)
    // a finished file could not be linked, so the named way is taken.
    if (!named && ::access("/proc/self/fd", X_OK) == 0) {
        const std::string folder = FolderOf(utf8Target);
        fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            unnamed_ = true;
            tempPath = TempName(utf8Target, 0, static_cast<unsigned long>(::getpid()));
        }
    }
#endif
    for (unsigned attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
        tempPath = TempName(utf8Target, attempt, static_cast<unsigned long>(::getpid()));
        // 0666 lets the umask decide, as for any newly created file.
        fd_ = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) break;
        err = errno;
        if (err != EEXIST && err != EINTR) break;
    }
    if (fd_ < 0) {
        reason = ErrnoText(err);
        return false;
    }
    // Replacing a file should not change who may read it.
    struct stat st {};
    if (::stat(utf8Target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        (void)::fchmod(fd_, st.st_mode & 07777);
    return true;
}

bool FileHandle::OpenStream(const std::string& utf8Path, std::string& reason) {
    if (utf8Path == "-") {
        fd_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    } else {
        // Opening a FIFO waits for its reader, as a shell redirection does.
        do {
            fd_ = ::open(utf8Path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        } while (fd_ < 0 && errno == EINTR);
    }
    if (fd_ < 0) {
        reason = ErrnoText(errno);
        return false;
    }
    // What was checked by name may have been swapped since: a stream is only
    // ever a pipe, a device or whatever standard output already is.
    struct stat st {};
    if (utf8Path != "-" &&
        (::fstat(fd_, &st) != 0 || !(S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)))) {
        ::close(fd_);
        fd_ = -1;
        reason = ErrnoText(EINVAL);
        return false;
    }
    stream_ = true;
    return true;
}

std::ptrdiff_t FileHandle::Read(void* buffer, std::size_t size, std::string& reason) {
    for (;;) {
        ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        reason = ErrnoText(errno);
        return -1;
    }
}

std::ptrdiff_t FileHandle::ReadAt(void* buffer, std::size_t size, uint64_t offset,
                                  std::string& reason) {
    for (;;) {
        ssize_t n = ::pread(fd_, buffer, size, static_cast<off_t>(offset));
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        reason = ErrnoText(errno);
        return -1;
    }
}

namespace {
// A pipe whose reader has gone raises SIGPIPE, which would end the whole
// program (the window with its unsaved records). For the length of one write
// the signal is held back on this thread and, if it came, taken away again,
// so the write fails with EPIPE like any other error.
class PipeSignalHold {
public:
    explicit PipeSignalHold(bool on) : on_(on) {
        if (!on_) return;
        wasPending_ = PipePending();
        const sigset_t pipe = PipeSet();
        pthread_sigmask(SIG_BLOCK, &pipe, &old_);
    }
    ~PipeSignalHold() {
        if (!on_) return;
        if (!wasPending_ && PipePending()) {
            const sigset_t pipe = PipeSet();
            const timespec none{0, 0};
            while (sigtimedwait(&pipe, nullptr, &none) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    PipeSignalHold(const PipeSignalHold&) = delete;
    PipeSignalHold& operator=(const PipeSignalHold&) = delete;

private:
    static sigset_t PipeSet() {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        return pipe;
    }
    static bool PipePending() {
        sigset_t pending;
        sigpending(&pending);
        return sigismember(&pending, SIGPIPE) == 1;
    }

    bool on_;
    bool wasPending_ = false;
    sigset_t old_{};
};
}  // namespace

bool FileHandle::Write(const void* buffer, std::size_t size, std::string& reason) {
    const char* p = static_cast<const char*>(buffer);
    const PipeSignalHold hold(stream_);
    while (size > 0) {
        ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            reason = ErrnoText(errno);
            return false;
        }
        if (n == 0) {
            reason = ErrnoText(EIO);
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool FileHandle::Sync(std::string& reason) {
    if (::fsync(fd_) == 0) return true;
    reason = ErrnoText(errno);
    return false;
}

bool FileHandle::SyncData(std::string& reason) {
#if defined(__linux__)
    if (::fdatasync(fd_) == 0) return true;
    reason = ErrnoText(errno);
    return false;
#else
    return Sync(reason);
#endif
}

bool FileHandle::ReplaceTarget(const std::string& tempPath, const std::string& utf8Target,
                               std::string& reason) {
    if (unnamed_) {
        // The file gets a name only now that it is complete; should this
        // process die before the rename below, the next save clears it.
        const std::string self = CFormat("/proc/self/fd/%d", fd_);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            reason = ErrnoText(errno);
            return false;
        }
        unnamed_ = false;
    }
    if (!Close(reason)) {
        RemoveFile(tempPath);
        return false;
    }
    return RenameOver(tempPath, utf8Target, reason);
}

bool FileHandle::CreateJournal(const std::string& utf8Path, std::string& reason, bool& inUse) {
    inUse = false;
    // A few rounds at most: another owner may remove the file between our
    // open and our lock, and a lock on a file no longer named is no lock.
    for (int round = 0; round < 8; ++round) {
        do {
            fd_ = ::open(utf8Path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        } while (fd_ < 0 && errno == EINTR);
        if (fd_ < 0) {
            reason = ErrnoText(errno);
            return false;
        }
        // Held until the handle closes, released by the system when the
        // process dies however it dies.
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd_);
            fd_ = -1;
            inUse = err == EWOULDBLOCK;
            reason = inUse ? std::string(kJournalInUseText) : ErrnoText(err);
            return false;
        }
        if (!NamedBy(utf8Path)) {
            ::close(fd_);
            fd_ = -1;
            continue;
        }
        // Only the lock's holder empties the file.
        if (::ftruncate(fd_, 0) != 0) {
            reason = ErrnoText(errno);
            ::close(fd_);
            fd_ = -1;
            return false;
        }
        return true;
    }
    reason = ErrnoText(EAGAIN);
    return false;
}

bool FileHandle::NamedBy(const std::string& utf8Path) const {
    struct stat mine {
    }, named{};
    if (fd_ < 0 || ::fstat(fd_, &mine) != 0) return false;
    if (::stat(utf8Path.c_str(), &named) != 0) return false;
    return mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

void FileHandle::CloseAndRemove(const std::string& utf8Path) {
    // Removed while still locked: whoever opens the name afterwards makes a
    // new file, and one that opened ours just before finds it unnamed once
    // it has the lock (CreateJournal's check), so it never writes into it.
    if (NamedBy(utf8Path)) RemoveFile(utf8Path);
    std::string ignored;
    Close(ignored);
}

bool FileHandle::IsLockedElsewhere(const std::string& utf8Path) {
    const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

bool FileHandle::Close(std::string& reason) {
    if (fd_ < 0) return true;
    int rc = ::close(fd_);
    fd_ = -1;
    stream_ = false;
    if (rc != 0 && errno != EINTR) {
        reason = ErrnoText(errno);
        return false;
    }
    return true;
}

bool FileHandle::RenameOver(const std::string& utf8From, const std::string& utf8To,
                            std::string& reason) {
    if (::rename(utf8From.c_str(), utf8To.c_str()) != 0) {
        reason = ErrnoText(errno);
        return false;
    }
    // The rename itself lives in the folder; flush it so a crash right after
    // a save cannot bring back the old file. A folder that refuses fsync
    // (some network file systems) does not make the save a failure.
    const std::string folder = FolderOf(utf8To);
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

void FileHandle::RemoveFile(const std::string& utf8Path) { (void)::unlink(utf8Path.c_str()); }

#endif

}  // namespace vmf
