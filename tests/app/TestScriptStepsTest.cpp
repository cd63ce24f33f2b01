// The test-script text: every verb with its argument, paths with spaces, and
// refusal of anything malformed before the program runs a single step.

#include <gtest/gtest.h>

#include "app/TestScriptSteps.h"

namespace vmf {
namespace {

TEST(TestScriptSteps, ParsesEveryVerb) {
    std::string error;
    const auto steps = ParseTestScript(
        " click ctrl1002;check ctrl1014 1; text ctrl1017 a b ;records 3;idle;"
        "saveas C:\\users\\me\\my run.vqdata;wait 250;quit;",
        error);
    ASSERT_TRUE(steps) << error;
    ASSERT_EQ(steps->size(), 8u);
    using V = TestStep::Verb;
    EXPECT_EQ((*steps)[0].verb, V::Click);
    EXPECT_EQ((*steps)[0].name, "ctrl1002");
    EXPECT_EQ((*steps)[1].verb, V::Check);
    EXPECT_EQ((*steps)[1].number, 1);
    EXPECT_EQ((*steps)[2].name, "ctrl1017");
    EXPECT_EQ((*steps)[2].text, "a b");
    EXPECT_EQ((*steps)[3].number, 3);
    EXPECT_EQ((*steps)[4].verb, V::Idle);
    EXPECT_EQ((*steps)[5].text, "C:\\users\\me\\my run.vqdata");
    EXPECT_EQ((*steps)[6].number, 250);
    EXPECT_EQ((*steps)[7].verb, V::Quit);
}

TEST(TestScriptSteps, ParsesTheHandOverTranslationAndTrendSteps) {
    std::string error;
    const auto steps = ParseTestScript(
        "opened C:\\a b\\run.vqdata; qttext QLineEdit|&Undo; trend 3; pick 100", error);
    ASSERT_TRUE(steps) << error;
    ASSERT_EQ(steps->size(), 4u);
    using V = TestStep::Verb;
    EXPECT_EQ((*steps)[0].verb, V::Opened);
    EXPECT_EQ((*steps)[0].text, "C:\\a b\\run.vqdata");
    EXPECT_EQ((*steps)[1].verb, V::QtText);
    EXPECT_EQ((*steps)[1].text, "QLineEdit|&Undo");
    EXPECT_EQ((*steps)[2].verb, V::Trend);
    EXPECT_EQ((*steps)[2].number, 3);
    EXPECT_EQ((*steps)[3].verb, V::Pick);
    EXPECT_EQ((*steps)[3].number, 100);
}

TEST(TestScriptSteps, RefusesMalformedSteps) {
    for (const char* bad : {"click", "click a b", "check x 2", "records 0", "records -1",
                            "wait 1.5", "idle now", "saveas", "jump 3", "quit; records x", "opened",
                            "qttext QLineEdit", "trend x", "pick 101"}) {
        std::string error;
        EXPECT_FALSE(ParseTestScript(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    std::string error;
    EXPECT_FALSE(ParseTestScript("idle; wait x", error));
    EXPECT_EQ(error, "bad step: wait x");
}

}  // namespace
}  // namespace vmf
