#include <gtest/gtest.h>

#include "device/DeviceLibraryFactory.h"
#include "device/SimulatedDeviceLibrary.h"
#include "fakes/TestEnv.h"

namespace vmf {
namespace {

// VMF_BENCH for one test, restored afterwards.
struct BenchEnv : test::ScopedEnv {
    explicit BenchEnv(const char* value) : ScopedEnv("VMF_BENCH", value) {}
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
#if defined(_WIN32)
    EXPECT_EQ(note, kNoteDllMissing);  // no KVWinUSBIF.dll on the search path
#else
    EXPECT_EQ(note, kNoteSimulated);
#endif
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

#if defined(_WIN32)
// The status bar names the file VMF_DLL bound or missed, not the real
// library's name.
TEST(DeviceLibraryFactory, NoteNamesTheLibraryAskedFor) {
    BenchEnv bench(nullptr);
    test::ScopedEnv dll("VMF_DLL", "C:\\nowhere\\other.dll");
    std::string note;
    ASSERT_TRUE(CreateDeviceLibrary("", note));
    EXPECT_EQ(note, "C:\\nowhere\\other.dll が見つからないため、シミュレーション装置で動作中");
}
#endif

}  // namespace
}  // namespace vmf
