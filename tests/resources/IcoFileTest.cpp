// The Windows icon file: the directory the shell reads (sizes, 256 as 0,
// offsets that point at each image) and refusal of what it cannot hold.

#include <gtest/gtest.h>

#include "resources/IcoFile.h"

namespace vmf {
namespace {

TEST(IcoFile, DirectoryPointsAtEachImageInOrder) {
    const std::string ico = IcoFileBytes({{16, "ab"}, {256, "cde"}});
    const std::string expected = std::string(
                                     "\x00\x00\x01\x00\x02\x00"           // icon, 2 images
                                     "\x10\x10\x00\x00\x01\x00\x20\x00"   // 16x16, 32 bpp
                                     "\x02\x00\x00\x00\x26\x00\x00\x00"   // 2 bytes at 38
                                     "\x00\x00\x00\x00\x01\x00\x20\x00"   // 256x256
                                     "\x03\x00\x00\x00\x28\x00\x00\x00",  // 3 bytes at 40
                                     38) +
                                 "abcde";
    EXPECT_EQ(ico, expected);
}

TEST(IcoFile, RefusesWhatAnIconCannotHold) {
    EXPECT_EQ(IcoFileBytes({}), "");
    EXPECT_EQ(IcoFileBytes({{257, "x"}}), "");
    EXPECT_EQ(IcoFileBytes({{16, "x"}, {0, "y"}}), "");
    EXPECT_EQ(IcoFileBytes({{16, ""}}), "");
}

}  // namespace
}  // namespace vmf
