#pragma once
// The guard that keeps a second copy of the program from running. The lock
// belongs to the process: the operating system drops it when the process
// ends, however it ends, so a crashed instance never leaves it stuck.
//  - POSIX: an flock()ed file "<name>-<uid>.lock" in $XDG_RUNTIME_DIR (or
//    $TMPDIR, or /tmp).
//  - Windows: the named mutex <name>, which ceases to exist with its last
//    handle.

#include <string>

namespace vmf {

// The lock name of the application, unless the environment variable
// VMF_INSTANCE_LOCK names another (tests use a unique one so they can run
// while a real instance is open).
inline constexpr const char* kInstanceLockName = "varnelloToolMF";
std::string InstanceLockNameFromEnvironment();

class SingleInstanceLock {
public:
    enum class Result {
        Acquired,       // this process is the only instance
        HeldElsewhere,  // another running process holds the lock
        Unavailable,    // the lock could not be set up (no folder, no rights)
    };

    explicit SingleInstanceLock(std::string name);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Tries once, without waiting. Calling again after Acquired returns
    // Acquired without touching anything.
    Result TryAcquire();
    bool IsHeld() const;
    // Gives the lock up; the destructor does this too.
    void Release();

    const std::string& name() const { return name_; }

private:
    std::string name_;
#if defined(_WIN32)
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace vmf
