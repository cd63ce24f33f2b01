// The mirror dialog's 16-bit arithmetic: step wrap-around and the typed
// position's low 16 bits.

#include <gtest/gtest.h>

#include "maintenance/MirrorStepper.h"

namespace vmf {
namespace {

TEST(MirrorStepper, StepsWrapInSixteenBitTwosComplement) {
    MirrorStepper m;
    EXPECT_EQ(m.position(), 0);
    EXPECT_EQ(m.Step(-1000), 64536);
    EXPECT_EQ(m.position(), -1000);
    EXPECT_EQ(m.Step(1000), 0);

    // 32 steps up reach 32000; the 33rd wraps past 32767.
    for (int i = 0; i < 32; ++i) m.Step(1000);
    EXPECT_EQ(m.position(), 32000);
    EXPECT_EQ(m.Step(1000), 33000);
    EXPECT_EQ(m.position(), -32536);
    // And back down across the same edge.
    EXPECT_EQ(m.Step(-1000), 32000);
    EXPECT_EQ(m.position(), 32000);

    MirrorStepper low;
    for (int i = 0; i < 33; ++i) low.Step(-1000);
    EXPECT_EQ(low.position(), 32536);
}

TEST(MirrorStepper, TypedPositionKeepsTheLowSixteenBits) {
    EXPECT_EQ(MirrorStepper::TypedPosition("70000"), 4464);
    EXPECT_EQ(MirrorStepper::TypedPosition("5000"), 5000);
    EXPECT_EQ(MirrorStepper::TypedPosition("65536"), 0);
    EXPECT_EQ(MirrorStepper::TypedPosition("-1"), 65535);
    EXPECT_EQ(MirrorStepper::TypedPosition("-32768"), 32768);
    EXPECT_EQ(MirrorStepper::TypedPosition("  \t1234x5"), 1234);
    EXPECT_EQ(MirrorStepper::TypedPosition("abc"), 0);
    EXPECT_EQ(MirrorStepper::TypedPosition(""), 0);
    EXPECT_EQ(MirrorStepper::TypedPosition("+"), 0);
    // Beyond int the reading saturates rather than wrapping unpredictably.
    EXPECT_EQ(MirrorStepper::TypedPosition("99999999999"), 0xFFFF);
    EXPECT_EQ(MirrorStepper::TypedPosition("-99999999999"), 0);
}

}  // namespace
}  // namespace vmf
