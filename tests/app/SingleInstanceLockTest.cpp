#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/SingleInstanceLock.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace vmf {
namespace {

using Result = SingleInstanceLock::Result;

std::string UniqueName(const char* what) {
#if defined(_WIN32)
    return std::string("vmf-test-") + what + "-" + std::to_string(GetCurrentProcessId());
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

#if defined(_WIN32)

// The other process is this test program again, started with
// VMF_LOCK_CHILD=<mode>:<name> to run only SingleInstanceLockChild.Acts:
//   probe  exits 0 when the lock is held elsewhere, 1 otherwise;
//   hold   takes the lock, signals the event "<name>-ready", and waits to be
//          killed.
// Without the variable that test does nothing.
TEST(SingleInstanceLockChild, Acts) {
    const char* role = std::getenv("VMF_LOCK_CHILD");
    if (!role || !*role) return;
    const std::string text = role;
    const std::string mode = text.substr(0, text.find(':'));
    const std::string name = text.substr(text.find(':') + 1);
    SingleInstanceLock theirs(name);
    const Result result = theirs.TryAcquire();
    if (mode == "probe") std::exit(result == Result::HeldElsewhere ? 0 : 1);
    if (result != Result::Acquired) std::exit(2);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + "-ready").c_str());
    if (ready) SetEvent(ready);
    Sleep(INFINITE);
}

PROCESS_INFORMATION StartChild(const std::string& mode, const std::string& name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=SingleInstanceLockChild.Acts";
    const std::string role = mode + ":" + name;
    _putenv_s("VMF_LOCK_CHILD", role.c_str());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL ok = CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi);
    _putenv_s("VMF_LOCK_CHILD", "");
    EXPECT_TRUE(ok);
    return pi;
}

DWORD WaitForExit(const PROCESS_INFORMATION& pi) {
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code;
}

TEST(SingleInstanceLock, AnotherProcessIsRefusedWhileTheFirstRuns) {
    SingleInstanceLock mine(UniqueName("proc"));
    ASSERT_EQ(mine.TryAcquire(), Result::Acquired);
    EXPECT_EQ(WaitForExit(StartChild("probe", mine.name())), 0u);
}

TEST(SingleInstanceLock, ACrashedHolderLeavesNothingStuck) {
    const std::string name = UniqueName("crash");
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, (name + "-ready").c_str());
    ASSERT_TRUE(ready);
    PROCESS_INFORMATION child = StartChild("hold", name);
    ASSERT_EQ(WaitForSingleObject(ready, 60000), WAIT_OBJECT_0);
    SingleInstanceLock mine(name);
    EXPECT_EQ(mine.TryAcquire(), Result::HeldElsewhere);
    TerminateProcess(child.hProcess, 9);  // killed while holding the lock
    WaitForExit(child);
    EXPECT_EQ(mine.TryAcquire(), Result::Acquired);
    CloseHandle(ready);
}

// A name in a namespace that does not exist cannot become a mutex at all:
// that is no other instance, and says so.
TEST(SingleInstanceLock, ANameNoMutexCanTakeIsUnavailableNotHeld) {
    SingleInstanceLock lock("NoSuchNamespace\\" + UniqueName("nofolder"));
    EXPECT_EQ(lock.TryAcquire(), Result::Unavailable);
}

#else

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
