#include "app/SingleInstanceLock.h"

#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vmf {

std::string InstanceLockNameFromEnvironment() {
    const char* name = std::getenv("VMF_INSTANCE_LOCK");
    return name && *name ? std::string(name) : std::string(kInstanceLockName);
}

SingleInstanceLock::SingleInstanceLock(std::string name) : name_(std::move(name)) {}

SingleInstanceLock::~SingleInstanceLock() { Release(); }

#if defined(_WIN32)

SingleInstanceLock::Result SingleInstanceLock::TryAcquire() {
    if (handle_) return Result::Acquired;
    const int length = MultiByteToWideChar(CP_UTF8, 0, name_.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name_.c_str(), -1, wide.data(), length);
    HANDLE h = CreateMutexW(nullptr, FALSE, wide.c_str());
    if (!h)
        return GetLastError() == ERROR_ACCESS_DENIED ? Result::HeldElsewhere : Result::Unavailable;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
        return Result::HeldElsewhere;
    }
    handle_ = h;
    return Result::Acquired;
}

bool SingleInstanceLock::IsHeld() const { return handle_ != nullptr; }

void SingleInstanceLock::Release() {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

#else

namespace {

std::string LockFolder() {
    for (const char* var : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* dir = std::getenv(var);
        if (dir && *dir) return dir;
    }
    return "/tmp";
}

}  // namespace

SingleInstanceLock::Result SingleInstanceLock::TryAcquire() {
    if (fd_ >= 0) return Result::Acquired;
    // The user id in the name keeps users of a shared /tmp from blocking
    // each other; the lock is per user, like a desktop session's.
    const std::string path =
        LockFolder() + "/" + name_ + "-" + std::to_string(::getuid()) + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Result::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Unavailable;
    }
    // The file stays: removing it would let a third process lock a fresh
    // file of the same name while a second one still waits on the old one.
    fd_ = fd;
    return Result::Acquired;
}

bool SingleInstanceLock::IsHeld() const { return fd_ >= 0; }

void SingleInstanceLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

#endif

}  // namespace vmf
