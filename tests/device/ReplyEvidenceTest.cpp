// Judging the real library's calls by their buffers, and the two options
// that choose its conventions.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

#include "device/LibraryConventions.h"
#include "device/ReplyEvidence.h"

namespace vmf {
namespace {

TEST(ReplyEvidence, CountsTheReplyBytesThatReplacedTheMarker) {
    std::array<uint8_t, 1156> reply{};
    MarkReply(reply);
    EXPECT_EQ(ReceivedReplyBytes(reply), 0);  // nothing arrived

    // A reply cut short after 577 bytes: every word up to the last one
    // touched counts, the untouched tail does not.
    std::memset(reply.data(), 0, 577);
    EXPECT_EQ(ReceivedReplyBytes(reply), 580);

    // A whole reply of zeros, and one of NaNs other than the marker.
    std::memset(reply.data(), 0, reply.size());
    EXPECT_EQ(ReceivedReplyBytes(reply), 1156);
    MarkReply(reply);
    const float nan = std::nanf("");
    for (size_t i = 0; i < reply.size(); i += 4) std::memcpy(reply.data() + i, &nan, 4);
    EXPECT_EQ(ReceivedReplyBytes(reply), 1156);

    // The marker is a float no table holds: a NaN.
    float marker;
    MarkReply(std::span(reinterpret_cast<uint8_t*>(&marker), 4));
    EXPECT_TRUE(std::isnan(marker));

    // A one-byte acknowledgement may be any byte: it counts as arrived.
    std::array<uint8_t, 1> ack{};
    MarkReply(ack);
    EXPECT_EQ(ReceivedReplyBytes(ack), 1);
}

TEST(ReplyEvidence, CoefficientsCountOnlyWhenAllSixAreWrittenAndSerialOnlyWithItsNul) {
    std::array<double, 6> coeffs{};
    MarkDoubles(coeffs);
    EXPECT_FALSE(AllDoublesWritten(coeffs));
    coeffs = {300, 1, 0, 0, 0, 0};
    EXPECT_TRUE(AllDoublesWritten(coeffs));
    MarkDoubles(coeffs);
    coeffs[0] = 300;
    EXPECT_FALSE(AllDoublesWritten(coeffs));

    std::array<char, 64> serial{};
    MarkText(serial);
    EXPECT_FALSE(TextWritten(serial));
    std::memcpy(serial.data(), "SN000001", 9);
    EXPECT_TRUE(TextWritten(serial));
}

TEST(LibraryConventions, DefaultsReadNoReturnValueAndPassTheSlot) {
    std::string error;
    auto c = ParseLibraryConventions(nullptr, "", error);
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->trustReturnValues);
    EXPECT_FALSE(c->spectrumByDevice);
    c = ParseLibraryConventions("returns", "device", error);
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->trustReturnValues);
    EXPECT_TRUE(c->spectrumByDevice);
    EXPECT_FALSE(ParseLibraryConventions("evidence", "Device", error));
    EXPECT_EQ(error, "VMF_DLL_SPECTRUM must be slot or device, not 'Device'");
}

}  // namespace
}  // namespace vmf
