#pragma once
// Environment variables and the process id for tests, on POSIX and Windows
// alike. ScopedEnv sets (or, with nullptr, removes) one variable for a scope
// and puts the old value back afterwards.

#include <cstdlib>
#include <optional>
#include <string>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace vmf::test {

inline void SetEnv(const char* name, const char* value) {
#if defined(_WIN32)
    // An empty value removes the variable on Windows; tests that need an
    // empty-but-set variable say so by testing the POSIX build.
    _putenv_s(name, value ? value : "");
#else
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
#endif
}

inline int ProcessId() {
#if defined(_WIN32)
    return _getpid();
#else
    return static_cast<int>(::getpid());
#endif
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        SetEnv(name, value);
    }
    ~ScopedEnv() { SetEnv(name_.c_str(), old_ ? old_->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace vmf::test
