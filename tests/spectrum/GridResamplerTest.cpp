#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "SpectrumTestDoc.h"
#include "spectrum/GridResampler.h"
#include "spectrum/SpectrumWorkspace.h"

namespace vmf {
namespace {

// The resampling written out plainly: for every grid wavelength scan upward
// from channel 0 for the first interval with wl[j] < c <= wl[j+1].
std::array<float, GRID_POINTS> Reference(const std::vector<float>& p,
                                         const std::vector<float>& wl) {
    std::array<float, GRID_POINTS> out{};
    const int n = static_cast<int>(wl.size());
    for (int w = 340; w <= 850; ++w) {
        const float c = static_cast<float>(w);
        float v = 0.0f;
        for (int j = 0; j + 1 < n; ++j) {
            if (wl[j] < c && c <= wl[j + 1]) {
                v = static_cast<float>(double(p[j]) + (double(p[j + 1]) - double(p[j])) *
                                                          (double(c) - double(wl[j])) /
                                                          (double(wl[j + 1]) - double(wl[j])));
                break;
            }
        }
        out[w - 340] = v;
    }
    return out;
}

enum class Shape {
    Rising,
    RisingWithDuplicates,
    IntegerSteps,
    Partial,
    Shuffled,
    LocalSwaps,
    Falling
};

std::vector<float> MakeWavelengths(Shape shape, int n, std::mt19937& rng) {
    std::uniform_real_distribution<float> step(0.05f, 4.0f);
    std::uniform_real_distribution<float> start(250.0f, 420.0f);
    std::vector<float> wl(static_cast<size_t>(n));
    float w = start(rng);
    for (int i = 0; i < n; ++i) {
        wl[i] = w;
        w += step(rng);
    }
    switch (shape) {
        case Shape::Rising:
            break;
        case Shape::RisingWithDuplicates:
            for (int i = 1; i < n; ++i)
                if (rng() % 4 == 0) wl[i] = wl[i - 1];
            break;
        case Shape::IntegerSteps:  // channel wavelengths on grid points, some repeated
            for (int i = 0; i < n; ++i) wl[i] = static_cast<float>(330 + (i * 7) / 4);
            break;
        case Shape::Partial:  // covers only a middle stretch of the grid
            for (int i = 0; i < n; ++i) wl[i] = 500.0f + static_cast<float>(i) * 0.5f;
            break;
        case Shape::Shuffled:
            std::shuffle(wl.begin(), wl.end(), rng);
            break;
        case Shape::LocalSwaps:
            for (int i = 0; i + 1 < n; i += 7) std::swap(wl[i], wl[i + 1]);
            break;
        case Shape::Falling:
            std::reverse(wl.begin(), wl.end());
            break;
    }
    return wl;
}

TEST(GridResampler, MatchesPlainScanBitForBit) {
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<float> value(-5000.0f, 70000.0f);
    const Shape shapes[] = {
        Shape::Rising,   Shape::RisingWithDuplicates, Shape::IntegerSteps, Shape::Partial,
        Shape::Shuffled, Shape::LocalSwaps,           Shape::Falling};
    const int sizes[] = {0, 1, 2, 3, 17, 100, 287, 288};
    int compared = 0;
    for (int round = 0; round < 40; ++round)
        for (Shape shape : shapes)
            for (int n : sizes) {
                std::vector<float> wl = MakeWavelengths(shape, n, rng);
                std::vector<float> p(static_cast<size_t>(n));
                for (float& v : p) v = value(rng);
                const auto expected = Reference(p, wl);
                std::array<float, GRID_POINTS> fast{};
                fast.fill(123.0f);
                GridBrackets brackets;
                FindBrackets(wl.data(), n, brackets);
                ApplyBrackets(brackets, p.data(), wl.data(), fast.data());
                ASSERT_EQ(std::memcmp(expected.data(), fast.data(), sizeof fast), 0)
                    << "shape " << static_cast<int>(shape) << " n " << n << " round " << round;
                std::array<float, GRID_POINTS> scanned{};
                ResampleByScan(p.data(), wl.data(), n, scanned.data());
                ASSERT_EQ(std::memcmp(expected.data(), scanned.data(), sizeof scanned), 0);
                ++compared;
            }
    EXPECT_EQ(compared, 40 * 7 * 8);
}

TEST(GridResampler, RiseDetection) {
    const float rising[] = {340.0f, 340.0f, 341.5f, 900.0f};
    const float dip[] = {340.0f, 342.0f, 341.9f, 900.0f};
    const float nan[] = {340.0f, __builtin_nanf(""), 345.0f};
    EXPECT_TRUE(ChannelWavelengthsRise(rising, 4));
    EXPECT_FALSE(ChannelWavelengthsRise(dip, 4));
    EXPECT_FALSE(ChannelWavelengthsRise(nan, 3));
    EXPECT_TRUE(ChannelWavelengthsRise(dip, 0));
}

TEST(GridResampler, WorkspaceResamplesBothRowsLikeThePlainScan) {
    auto doc = test::MakeDoc(1, 288);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> jitter(-1.2f, 1.2f);
    std::vector<float> wl(288);
    for (int c = 0; c < 288; ++c) {
        // A falling pair now and then forces the scan path.
        doc->wavelengthNm[0][c] = 331.3f + 1.8f * static_cast<float>(c) + jitter(rng);
        wl[c] = doc->wavelengthNm[0][c];
    }
    test::FillRecord(*doc, 0, 0, 1000,
                     [&](int c) { return 100.0f + static_cast<float>(c % 13) * 17.25f; });
    doc->whiteRef[0].fill(80.0f);
    doc->whiteRef[0][288] = 1000.0f;
    SpectrumWorkspace ws;
    const ProcessingOptions opt{MeasuringMethod::Reflectance, false};
    ws.ProcessRecord(*doc, 0, 0, opt);
    ws.ResampleRecord(*doc, 0, 0, opt);
    const std::vector<float> p(doc->recProcessed(0, 0), doc->recProcessed(0, 0) + 288);
    const std::vector<float> ratio(ws.ratioSpectrum[0].begin(), ws.ratioSpectrum[0].begin() + 288);
    const auto ep = Reference(p, wl);
    const auto er = Reference(ratio, wl);
    EXPECT_EQ(std::memcmp(ep.data(), ws.displaySpectrum[0].data(), sizeof ep), 0);
    EXPECT_EQ(std::memcmp(er.data(), ws.displayRatio[0].data(), sizeof er), 0);
}

}  // namespace
}  // namespace vmf
