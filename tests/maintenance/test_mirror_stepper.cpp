// The mirror dialog's 16-bit arithmetic at its edges; the dialog's own test
// covers the everyday steps and typed positions.

#include <gtest/gtest.h>

#include "maintenance/MirrorStepper.h"

namespace vmf {
namespace {

TEST(MirrorStepper, StepsWrapBothWaysAcrossTheSignedEdge) {
    MirrorStepper up;
    for (int i = 0; i < 33; ++i) up.Step(1000);
    EXPECT_EQ(up.position(), -32536);
    EXPECT_EQ(up.Step(-1000), 32000);  // and back across the same edge

    MirrorStepper down;
    for (int i = 0; i < 33; ++i) down.Step(-1000);
    EXPECT_EQ(down.position(), 32536);
    EXPECT_EQ(down.Step(0), 32536);
}

TEST(MirrorStepper, TypedPositionKeepsTheLowSixteenBits) {
    EXPECT_EQ(MirrorStepper::TypedPosition("65536"), 0);
    EXPECT_EQ(MirrorStepper::TypedPosition("-32768"), 32768);
    EXPECT_EQ(MirrorStepper::TypedPosition("  \t1234x5"), 1234);
    EXPECT_EQ(MirrorStepper::TypedPosition("+"), 0);
    // Beyond int the reading saturates rather than wrapping unpredictably.
    EXPECT_EQ(MirrorStepper::TypedPosition("99999999999"), 0xFFFF);
    EXPECT_EQ(MirrorStepper::TypedPosition("-99999999999"), 0);
}

}  // namespace
}  // namespace vmf
