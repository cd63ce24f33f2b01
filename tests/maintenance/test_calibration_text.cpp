#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "maintenance/CalibrationTableText.h"
#include "store/Cvarnello_mfDoc.h"

namespace vmf {
namespace {

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(CalibrationTableText, InitialisedChannelOneAndExposureLineByteForByte) {
    auto doc = std::make_unique<Cvarnello_mfDoc>();
    doc->wavelengthNm[0][0] = 340.123f;
    doc->gain[0][0] = 1.0f;
    doc->whiteRef[0][0] = 8192.0f;
    doc->transRef[0][0] = 8192.0f;
    doc->gain[0][288] = 100000.0f;
    doc->whiteRef[0][288] = 5000.0f;
    doc->transRef[0][288] = 265.0f;
    const auto lines = CalibrationTableText::Lines(*doc, 0);
    ASSERT_EQ(lines.size(), 289u);
    EXPECT_EQ(lines[0], "  1: 340.1   1.0 8192.0 8192.0    0.0 " + Repeat("   0.0 ", 20));
    EXPECT_EQ(lines[288], "289:   0.0 100000.0 5000.0  265.0 ");
    EXPECT_EQ(lines[287].substr(0, 5), "288: ");
}

}  // namespace
}  // namespace vmf
