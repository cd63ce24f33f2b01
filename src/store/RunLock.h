#pragma once
// A lock file that reserves a path (an output file) for one run. While the
// object holds it, a second run asking for the same lock file is refused and
// told who holds it: the holder's line is written into the file. The system
// releases the lock when the process ends however it ends; a lock file left
// by a killed run is simply taken over.

#include <cstdint>
#include <string>

namespace vmf {

class RunLock {
public:
    enum class Result {
        Acquired,
        HeldElsewhere,  // heldBy names the holder
        Failed,         // the lock file cannot be made there (reason)
    };

    RunLock() = default;
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the lock of lockPath (UTF-8), writing holder into it.
    Result Acquire(const std::string& lockPath, const std::string& holder, std::string& heldBy,
                   std::string& reason);
    // Removes the lock file (only while it is still this lock's) and lets go.
    void Release();
    bool Held() const;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
#if defined(_WIN32)
    void* handle_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
#else
    int fd_ = -1;
#endif
};

}  // namespace vmf
