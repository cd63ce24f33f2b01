// The fast cells must give exactly the bytes of their printf formats.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "csv/CsvCells.h"
#include "store/TextFormat.h"

namespace vmf {
namespace {

void ExpectSameAsPrintf(float v) {
    std::string s;
#if defined(_WIN32)
    // MinGW's printf drops the sign of a negative NaN; the cells keep "-nan"
    // on every platform, so a file's CSV is the same wherever it is written.
    if (std::isnan(v) && std::signbit(v)) {
        AppendValueCell(s, v);
        EXPECT_EQ(s, "  -nan,");
        return;
    }
#endif
    AppendValueCell(s, v);  // the short path of the common cell
    EXPECT_EQ(s, CFormat("%6.1f,", v)) << v;
    s.clear();
    AppendFixedCell(s, v, 6, 1);  // the general path, same format
    EXPECT_EQ(s, CFormat("%6.1f,", v)) << v;
    s.clear();
    AppendTemperatureCell(s, v);
    EXPECT_EQ(s, CFormat("%4.1f,", v)) << v;
    s.clear();
    AppendRefExposureCell(s, v);
    EXPECT_EQ(s, CFormat("%6.0f,", v)) << v;
}

TEST(CsvCells, FloatCellsMatchPrintf) {
    const float inf = std::numeric_limits<float>::infinity();
    // Halves that round to even, values around the width, signs, specials.
    for (float v : {0.0f,
                    -0.0f,
                    0.05f,
                    9999.9f,
                    9999.94f,
                    9999.95f,
                    9999.96f,
                    10000.0f,
                    999.95f,
                    99.95f,
                    9.95f,
                    0.95f,
                    0.04f,
                    -0.04f,
                    0.25f,
                    0.35f,
                    -0.05f,
                    2.5f,
                    3.5f,
                    0.5f,
                    1.5f,
                    9999.95f,
                    99999.9f,
                    123456.7f,
                    -1234.5f,
                    412.8f,
                    25.3f,
                    1e-30f,
                    -1e-30f,
                    3.0e38f,
                    -3.0e38f,
                    inf,
                    -inf,
                    std::numeric_limits<float>::quiet_NaN(),
                    -std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::denorm_min()})
        ExpectSameAsPrintf(v);
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> counts(-500.0f, 70000.0f);
    std::uniform_int_distribution<uint32_t> bits;
    for (int i = 0; i < 20000; ++i) {
        ExpectSameAsPrintf(counts(rng));
        // Arbitrary bit patterns reach every exponent.
        uint32_t b = bits(rng);
        float any;
        std::memcpy(&any, &b, sizeof any);
        ExpectSameAsPrintf(any);
    }
}

TEST(CsvCells, IntCellsMatchPrintf) {
    for (int v : {0, 7, -7, 10000, 123456, 1234567, -99999, std::numeric_limits<int>::min(),
                  std::numeric_limits<int>::max()}) {
        std::string s;
        AppendExposureCell(s, v);
        EXPECT_EQ(s, CFormat("%6d,", v));
        s.clear();
        AppendIntCell(s, v, 0);
        EXPECT_EQ(s, CFormat("%d,", v));
    }
}

}  // namespace
}  // namespace vmf
