#include "store/RunLock.h"

#include <cerrno>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vmf {
namespace {

// The holder's line is short; more than this is not a lock file of ours.
constexpr std::size_t kMaxHolder = 512;

}  // namespace

RunLock::~RunLock() { Release(); }

#if defined(_WIN32)

namespace {
std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}
std::string ReadHolder(const std::string& path) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    char buffer[kMaxHolder];
    DWORD got = 0;
    if (!ReadFile(h, buffer, sizeof buffer, &got, nullptr)) got = 0;
    CloseHandle(h);
    return std::string(buffer, got);
}
}  // namespace

bool RunLock::Held() const { return handle_ != INVALID_HANDLE_VALUE; }

RunLock::Result RunLock::Acquire(const std::string& lockPath, const std::string& holder,
                                 std::string& heldBy, std::string& reason) {
    Release();
    // Shared for reading only: a second run cannot open it to write while
    // this handle lives.
    HANDLE h = CreateFileW(Wide(lockPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_SHARING_VIOLATION) {
            heldBy = ReadHolder(lockPath);
            return Result::HeldElsewhere;
        }
        reason = std::system_category().message(static_cast<int>(err));
        return Result::Failed;
    }
    DWORD put = 0;
    WriteFile(h, holder.data(), static_cast<DWORD>(holder.size()), &put, nullptr);
    SetEndOfFile(h);
    handle_ = h;
    path_ = lockPath;
    return Result::Acquired;
}

void RunLock::Release() {
    if (!Held()) return;
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = INVALID_HANDLE_VALUE;
    DeleteFileW(Wide(path_).c_str());
    path_.clear();
}

#else  // POSIX

namespace {
std::string ReadHolder(int fd) {
    char buffer[kMaxHolder];
    const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}
bool SameFile(int fd, const std::string& path) {
    struct stat mine {
    }, named{};
    return ::fstat(fd, &mine) == 0 && ::stat(path.c_str(), &named) == 0 &&
           mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}
}  // namespace

bool RunLock::Held() const { return fd_ >= 0; }

RunLock::Result RunLock::Acquire(const std::string& lockPath, const std::string& holder,
                                 std::string& heldBy, std::string& reason) {
    Release();
    // A lock file its holder removes between our open and our lock is no
    // lock any more: open it again by name.
    for (int round = 0; round < 8; ++round) {
        int fd = -1;
        do {
            fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            reason = std::generic_category().message(errno);
            return Result::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            if (err == EWOULDBLOCK) heldBy = ReadHolder(fd);
            ::close(fd);
            if (err == EWOULDBLOCK) return Result::HeldElsewhere;
            reason = std::generic_category().message(err);
            return Result::Failed;
        }
        if (!SameFile(fd, lockPath)) {
            ::close(fd);
            continue;
        }
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, holder.data(), holder.size(), 0) != static_cast<ssize_t>(holder.size())) {
            reason = std::generic_category().message(errno);
            ::close(fd);
            return Result::Failed;
        }
        fd_ = fd;
        path_ = lockPath;
        return Result::Acquired;
    }
    reason = std::generic_category().message(EAGAIN);
    return Result::Failed;
}

void RunLock::Release() {
    if (fd_ < 0) return;
    // Removed while still locked, and only while the name is still ours.
    if (SameFile(fd_, path_)) ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
    path_.clear();
}

#endif

}  // namespace vmf
