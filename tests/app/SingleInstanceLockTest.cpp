#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/SingleInstanceLock.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace vmf {
namespace {

using Result = SingleInstanceLock::Result;

std::string UniqueName(const char* what) {
#if defined(_WIN32)
    return std::string("vmf-test-") + what;
#else
    return std::string("vmf-test-") + what + "-" + std::to_string(::getpid());
#endif
}

TEST(SingleInstanceLock, SecondHolderIsRefusedUntilTheFirstReleases) {
    SingleInstanceLock first(UniqueName("pair"));
    SingleInstanceLock second(UniqueName("pair"));
    ASSERT_EQ(first.TryAcquire(), Result::Acquired);
    EXPECT_EQ(first.TryAcquire(), Result::Acquired);  // repeat is harmless
    EXPECT_EQ(second.TryAcquire(), Result::HeldElsewhere);
    EXPECT_FALSE(second.IsHeld());
    first.Release();
    EXPECT_EQ(second.TryAcquire(), Result::Acquired);

    SingleInstanceLock other(UniqueName("other"));
    EXPECT_EQ(other.TryAcquire(), Result::Acquired);  // names are independent
}

TEST(SingleInstanceLock, NameComesFromTheEnvironmentWhenSet) {
    const char* saved = std::getenv("VMF_INSTANCE_LOCK");
    const std::string keep = saved ? saved : "";
#if defined(_WIN32)
    _putenv_s("VMF_INSTANCE_LOCK", "");
    EXPECT_EQ(InstanceLockNameFromEnvironment(), "varnelloToolMF");
    _putenv_s("VMF_INSTANCE_LOCK", "x-test");
    EXPECT_EQ(InstanceLockNameFromEnvironment(), "x-test");
    _putenv_s("VMF_INSTANCE_LOCK", keep.c_str());
#else
    ::unsetenv("VMF_INSTANCE_LOCK");
    EXPECT_EQ(InstanceLockNameFromEnvironment(), "varnelloToolMF");
    ::setenv("VMF_INSTANCE_LOCK", "", 1);
    EXPECT_EQ(InstanceLockNameFromEnvironment(), "varnelloToolMF");
    ::setenv("VMF_INSTANCE_LOCK", "x-test", 1);
    EXPECT_EQ(InstanceLockNameFromEnvironment(), "x-test");
    if (saved)
        ::setenv("VMF_INSTANCE_LOCK", keep.c_str(), 1);
    else
        ::unsetenv("VMF_INSTANCE_LOCK");
#endif
}

#if !defined(_WIN32)

// Runs `body` in a child process and returns its exit code.
template <typename F>
int InChild(F body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SingleInstanceLock, AnotherProcessIsRefusedWhileTheFirstRuns) {
    SingleInstanceLock mine(UniqueName("proc"));
    ASSERT_EQ(mine.TryAcquire(), Result::Acquired);
    const std::string name = mine.name();
    const int code = InChild([&] {
        SingleInstanceLock theirs(name);
        return theirs.TryAcquire() == Result::HeldElsewhere ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
}

TEST(SingleInstanceLock, ACrashedHolderLeavesNothingStuck) {
    const std::string name = UniqueName("crash");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        SingleInstanceLock theirs(name);
        const char ok = theirs.TryAcquire() == Result::Acquired ? 'y' : 'n';
        (void)!::write(ready[1], &ok, 1);
        for (;;) ::pause();  // killed while holding the lock
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    SingleInstanceLock mine(name);
    EXPECT_EQ(mine.TryAcquire(), Result::HeldElsewhere);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_EQ(mine.TryAcquire(), Result::Acquired);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(SingleInstanceLock, MissingLockFolderIsUnavailableNotHeld) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", "/nonexistent/vmf-lock-folder", 1);
    SingleInstanceLock lock(UniqueName("nofolder"));
    EXPECT_EQ(lock.TryAcquire(), Result::Unavailable);
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

#endif

}  // namespace
}  // namespace vmf
