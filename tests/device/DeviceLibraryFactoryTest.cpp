#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "device/DeviceLibraryFactory.h"
#include "device/SimulatedDeviceLibrary.h"

namespace vmf {
namespace {

// Sets VMF_BENCH for one test and restores it afterwards.
class BenchEnv {
public:
    explicit BenchEnv(const char* value) {
        if (const char* old = std::getenv("VMF_BENCH")) old_ = old;
        if (value)
            ::setenv("VMF_BENCH", value, 1);
        else
            ::unsetenv("VMF_BENCH");
    }
    ~BenchEnv() {
        if (old_)
            ::setenv("VMF_BENCH", old_->c_str(), 1);
        else
            ::unsetenv("VMF_BENCH");
    }

private:
    std::optional<std::string> old_;
};

int Kinds(DeviceLibrary& lib) {
    int found = 0;
    for (int n = 0; n < MAX_DEVICES; ++n) found += lib.DevOpen(DeviceNumber(n)) == 1;
    return found;
}

TEST(DeviceLibraryFactory, BenchTextThenEnvironmentThenDefaultBench) {
    BenchEnv env("4:mirror;timescale=0");
    std::string note;
    auto given = CreateDeviceLibrary("1:head;2:head;timescale=0", note);
    ASSERT_TRUE(given);
    EXPECT_EQ(note, kNoteSimulated);
    EXPECT_EQ(Kinds(*given), 2);

    auto fromEnv = CreateDeviceLibrary("", note);
    ASSERT_TRUE(fromEnv);
    EXPECT_EQ(Kinds(*fromEnv), 1);
    EXPECT_EQ(fromEnv->DevGetKind(DeviceNumber(4)), kKindMirror);

    BenchEnv none(nullptr);
    auto fallback = CreateDeviceLibrary("", note);
    ASSERT_TRUE(fallback);
    EXPECT_EQ(note, kNoteSimulated);
    EXPECT_EQ(Kinds(*fallback), 4);  // the default bench
}

TEST(DeviceLibraryFactory, MalformedBenchFallsBackToTheDefaultAndSaysWhy) {
    BenchEnv env(nullptr);
    std::string note;
    auto lib = CreateDeviceLibrary("0:head;timescale=fast", note);
    ASSERT_TRUE(lib);
    EXPECT_EQ(note.rfind(kNoteBadBench, 0), 0u) << note;
    EXPECT_NE(note.find("bad time scale \"fast\""), std::string::npos) << note;
    EXPECT_EQ(Kinds(*lib), 4);
}

}  // namespace
}  // namespace vmf
