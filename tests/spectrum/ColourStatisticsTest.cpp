#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "SpectrumTestDoc.h"
#include "spectrum/SpectrumWorkspace.h"

namespace vmf {
namespace {

int GridIndex(int nm) { return nm - GRID_START_NM; }

TEST(Statistics, FlatTiesAndStartValues) {
    SpectrumWorkspace ws;
    EXPECT_EQ(ws.statistics[3].minimumNm, 0.0f);  // never computed
    ws.displaySpectrum[0].fill(100.0f);
    ws.ComputeStatistics(0, 8192);
    EXPECT_EQ(ws.statistics[0].average, 100.0f);
    EXPECT_EQ(ws.statistics[0].minimum, 100.0f);
    EXPECT_EQ(ws.statistics[0].maximum, 100.0f);
    EXPECT_EQ(ws.statistics[0].minimumNm, 340.0f);
    EXPECT_EQ(ws.statistics[0].maximumNm, 340.0f);

    ws.displaySpectrum[0][GridIndex(600)] = 900.0f;
    ws.displaySpectrum[0][GridIndex(500)] = 900.0f;
    ws.displaySpectrum[0][GridIndex(700)] = 20.0f;
    ws.displaySpectrum[0][GridIndex(400)] = 20.0f;
    ws.ComputeStatistics(0, 8192);
    EXPECT_EQ(ws.statistics[0].maximumNm, 500.0f);
    EXPECT_EQ(ws.statistics[0].minimumNm, 400.0f);
}

TEST(Statistics, NothingQualifiesKeepsPreviousWavelengths) {
    SpectrumWorkspace ws;
    ws.displaySpectrum[0].fill(50.0f);
    ws.displaySpectrum[0][GridIndex(612)] = 10.0f;
    ws.ComputeStatistics(0, 1000);
    ASSERT_EQ(ws.statistics[0].minimumNm, 612.0f);
    ws.displaySpectrum[0].fill(1000.0f);  // at graphMax: never the minimum
    ws.ComputeStatistics(0, 1000);
    EXPECT_EQ(ws.statistics[0].minimum, 1000.0f);
    EXPECT_EQ(ws.statistics[0].minimumNm, 612.0f);
    ws.displaySpectrum[0].fill(-3.0f);  // below zero: never the maximum
    ws.ComputeStatistics(0, 1000);
    EXPECT_EQ(ws.statistics[0].maximum, 0.0f);
    EXPECT_EQ(ws.statistics[0].maximumNm, 340.0f);  // from the 50-count spectrum
}

TEST(Statistics, AverageIsSinglePrecisionRunningSum) {
    SpectrumWorkspace ws;
    float sum = 0.0f;
    for (int k = 0; k < GRID_POINTS; ++k) {
        ws.displaySpectrum[1][k] = 10000.0f + 0.1f * static_cast<float>(k);
        sum = sum + ws.displaySpectrum[1][k];
    }
    ws.ComputeStatistics(1, 8192);
    EXPECT_EQ(ws.statistics[1].average, sum / 511.0f);
}

TEST(InfoLine, StatisticsLineByteForByte) {
    auto doc = test::MakeDoc();
    doc->recTemperatureC(0, 4) = 25.3f;
    SpectrumWorkspace ws;
    ws.displaySpectrum[0].fill(1231.4927f);
    ws.displaySpectrum[0][GridIndex(845)] = -12.3f;
    ws.displaySpectrum[0][GridIndex(532)] = 4012.0f;
    EXPECT_EQ(ws.UpdateInfoBarText(*doc, 0, 0, 4, 8192),
              "average=1234.5 mininum =  -12.3(845) maximum = 4012.0(532) Temp=25.3");
    EXPECT_EQ(ws.UpdateInfoBarText(*doc, -1, 0, 4, 8192), "");
}

TEST(InfoLine, CieLineForFlatAndDarkSpectra) {
    auto doc = test::MakeDoc();
    SpectrumWorkspace ws;
    ws.displaySpectrum[0].fill(100.0f);
    EXPECT_EQ(ws.UpdateInfoBarText(*doc, 0, 1, 0, 8192),
              "CIE X/Y/Z = 0.333 / 0.333 / 0.333    R/G/B = 0.059 / 0.059 / 0.059 ");
    ws.displaySpectrum[0].fill(0.0f);
    EXPECT_EQ(ws.UpdateInfoBarText(*doc, 0, 1, 0, 8192),
              "CIE X/Y/Z = 0.000 / 0.000 / 0.000    R/G/B = 0.000 / 0.000 / 0.000 ");
    EXPECT_EQ(ws.colour[0].x, 0.0f);
    EXPECT_EQ(ws.colour[0].B, 0.0f);
}

TEST(InfoLine, UnchangedUnderDecimalCommaLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252"};
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* got = nullptr;
    for (const char* n : names)
        if ((got = std::setlocale(LC_ALL, n)) != nullptr) break;
    if (!got) GTEST_SKIP() << "no German locale installed";
    auto doc = test::MakeDoc();
    doc->recTemperatureC(0, 0) = 25.3f;
    SpectrumWorkspace ws;
    ws.displaySpectrum[0].fill(100.0f);
    const std::string cie = ws.UpdateInfoBarText(*doc, 0, 1, 0, 8192);
    const std::string stats = ws.UpdateInfoBarText(*doc, 0, 0, 0, 8192);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(cie, "CIE X/Y/Z = 0.333 / 0.333 / 0.333    R/G/B = 0.059 / 0.059 / 0.059 ");
    EXPECT_EQ(stats, "average= 100.0 mininum =  100.0(340) maximum =  100.0(340) Temp=25.3");
}

// The observer, read from the published table independently of the code's copy.
struct Observer {
    std::vector<double> nm, x, y, z;
};

Observer ReadObserver() {
    Observer o;
    std::ifstream in(SPECTRUM_TEST_DATA "/cie1931_2deg_5nm.csv");
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::stringstream ss(line);
        std::string cell[4];
        for (auto& c : cell) std::getline(ss, c, ',');
        o.nm.push_back(std::strtod(cell[0].c_str(), nullptr));
        o.x.push_back(std::strtod(cell[1].c_str(), nullptr));
        o.y.push_back(std::strtod(cell[2].c_str(), nullptr));
        o.z.push_back(std::strtod(cell[3].c_str(), nullptr));
    }
    return o;
}

// CIE illuminant A: a Planck radiator at 2848 K with c2 = 1.435e-2 m K.
double IlluminantA(double nm) {
    const double l = nm * 1e-9;
    return 1.0 / (std::pow(l, 5) * (std::exp(1.435e-2 / (l * 2848.0)) - 1.0));
}

TEST(Colour, SmoothSpectraMatchIndependentChromaticity) {
    const Observer o = ReadObserver();
    ASSERT_EQ(o.nm.size(), 95u);
    SpectrumWorkspace ws;
    struct Case {
        const char* name;
        double (*shape)(double);
    } cases[] = {
        {"illuminant A", IlluminantA},
        {"green band", [](double nm) { return std::exp(-0.5 * std::pow((nm - 540.0) / 30.0, 2)); }},
        {"blue slope", [](double nm) { return 900.0 - nm; }},
    };
    for (const Case& cs : cases) {
        double peak = 0;
        for (int k = 0; k < GRID_POINTS; ++k) peak = std::max(peak, cs.shape(340.0 + k));
        for (int k = 0; k < GRID_POINTS; ++k)
            ws.displaySpectrum[2][k] = static_cast<float>(4000.0 * cs.shape(340.0 + k) / peak);
        double X = 0, Y = 0, Z = 0;
        for (size_t i = 0; i < o.nm.size(); ++i) {
            const double s = ws.displaySpectrum[2][static_cast<int>(o.nm[i]) - 340];
            X += o.x[i] * s;
            Y += o.y[i] * s;
            Z += o.z[i] * s;
        }
        const double T = X + Y + Z;
        const double x = X / T, y = Y / T, z = Z / T;
        ws.ComputeColour(5, 2);
        const HeadColour& c = ws.colour[5];
        EXPECT_NEAR(c.x, x, 2e-6) << cs.name;
        EXPECT_NEAR(c.y, y, 2e-6) << cs.name;
        EXPECT_NEAR(c.z, z, 2e-6) << cs.name;
        EXPECT_NEAR(c.x + c.y + c.z, 1.0, 1e-6) << cs.name;
        EXPECT_NEAR(c.R, 0.41847 * x - 0.15866 * y - 0.082835 * z, 2e-6) << cs.name;
        EXPECT_NEAR(c.G, -0.091169 * x + 0.25243 * y + 0.015708 * z, 2e-6) << cs.name;
        EXPECT_NEAR(c.B, 0.0009209 * x - 0.0025498 * y + 0.1786 * z, 2e-6) << cs.name;
        // Scaling by a positive factor leaves the colour where it was.
        const HeadColour before = c;
        for (float& v : ws.displaySpectrum[2]) v *= 0.37f;
        ws.ComputeColour(5, 2);
        EXPECT_NEAR(ws.colour[5].x, before.x, 1e-5) << cs.name;
        EXPECT_NEAR(ws.colour[5].B, before.B, 1e-5) << cs.name;
    }
    // The published chromaticity of illuminant A, 0.44757 / 0.40745.
    for (int k = 0; k < GRID_POINTS; ++k)
        ws.displaySpectrum[2][k] = static_cast<float>(IlluminantA(340.0 + k) * 1e-13);
    ws.ComputeColour(2, 2);
    EXPECT_NEAR(ws.colour[2].x, 0.44757, 2e-4);
    EXPECT_NEAR(ws.colour[2].y, 0.40745, 2e-4);
}

TEST(Colour, ReadsSelectedHeadAndStoresForGivenHead) {
    SpectrumWorkspace ws;
    ws.displaySpectrum[1].fill(10.0f);
    ws.ComputeColour(4, 1);
    EXPECT_NEAR(ws.colour[4].x, 1.0 / 3.0, 1e-3);
    EXPECT_EQ(ws.colour[1].x, 0.0f);
    ws.ComputeColour(4, -1);  // nothing selected
    EXPECT_EQ(ws.colour[4].x, 0.0f);
}

}  // namespace
}  // namespace vmf
