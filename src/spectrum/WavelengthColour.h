#pragma once
// Colours of the 10-nm wavelength bands, 340 to 850 nm, for the graph's bars
// and the colour bar. Each row holds red, green and blue as fractions 0..1; a
// pen colour is (floor(R*255), floor(G*255), floor(B*255)). The ultraviolet
// rows up to 370 nm and the infrared rows from 780 nm are black.

#include <array>
#include <cstdint>

namespace vmf {

struct WavelengthColourRow {
    int nm;
    float red, green, blue;
};

struct Rgb8 {
    uint8_t red = 0, green = 0, blue = 0;
    friend constexpr bool operator==(Rgb8, Rgb8) = default;
};

inline constexpr int WAVELENGTH_COLOUR_ROWS = 52;  // 340, 350, ..., 850 nm

namespace detail {
// The fraction sits half a step above the 8-bit value, so floor(f * 255)
// gives that value whether the product is taken in float or in double; full
// intensity is exactly 1.
constexpr float Band(int v) {
    return v >= 255 ? 1.0f : v <= 0 ? 0.0f : static_cast<float>((v + 0.5) / 255.0);
}
}  // namespace detail

// clang-format off
inline constexpr std::array<WavelengthColourRow, WAVELENGTH_COLOUR_ROWS> wavelengthColour = [] {
    using detail::Band;
    return std::array<WavelengthColourRow, WAVELENGTH_COLOUR_ROWS>{{
        {340, Band(0), Band(0), Band(0)},
        {350, Band(0), Band(0), Band(0)},
        {360, Band(0), Band(0), Band(0)},
        {370, Band(0), Band(0), Band(0)},
        {380, Band(15), Band(0), Band(28)},
        {390, Band(22), Band(0), Band(42)},
        {400, Band(35), Band(0), Band(67)},
        {410, Band(52), Band(0), Band(101)},
        {420, Band(79), Band(0), Band(154)},
        {430, Band(101), Band(0), Band(205)},
        {440, Band(103), Band(0), Band(223)},
        {450, Band(87), Band(0), Band(224)},
        {460, Band(28), Band(0), Band(219)},
        {470, Band(0), Band(38), Band(198)},
        {480, Band(0), Band(98), Band(166)},
        {490, Band(0), Band(126), Band(132)},
        {500, Band(0), Band(151), Band(102)},
        {510, Band(0), Band(177), Band(65)},
        {520, Band(0), Band(198), Band(0)},
        {530, Band(0), Band(208), Band(0)},
        {540, Band(0), Band(210), Band(0)},
        {550, Band(0), Band(207), Band(0)},
        {560, Band(120), Band(197), Band(0)},
        {570, Band(178), Band(182), Band(0)},
        {580, Band(216), Band(159), Band(0)},
        {590, Band(241), Band(126), Band(0)},
        {600, Band(254), Band(79), Band(0)},
        {610, Band(255), Band(0), Band(0)},
        {620, Band(243), Band(0), Band(0)},
        {630, Band(220), Band(0), Band(0)},
        {640, Band(194), Band(0), Band(0)},
        {650, Band(164), Band(0), Band(0)},
        {660, Band(134), Band(0), Band(0)},
        {670, Band(106), Band(0), Band(0)},
        {680, Band(84), Band(0), Band(0)},
        {690, Band(64), Band(0), Band(0)},
        {700, Band(50), Band(0), Band(0)},
        {710, Band(39), Band(0), Band(0)},
        {720, Band(30), Band(0), Band(0)},
        {730, Band(23), Band(0), Band(0)},
        {740, Band(17), Band(0), Band(0)},
        {750, Band(13), Band(0), Band(0)},
        {760, Band(10), Band(0), Band(0)},
        {770, Band(9), Band(0), Band(2)},
        {780, Band(0), Band(0), Band(0)},
        {790, Band(0), Band(0), Band(0)},
        {800, Band(0), Band(0), Band(0)},
        {810, Band(0), Band(0), Band(0)},
        {820, Band(0), Band(0), Band(0)},
        {830, Band(0), Band(0), Band(0)},
        {840, Band(0), Band(0), Band(0)},
        {850, Band(0), Band(0), Band(0)},
    }};
}();
// clang-format on

// The 8-bit colour of row `row` (0 = 340 nm); black outside 0..51.
Rgb8 WavelengthColourRgb(int row);

// The bar pen colour of grid index k (340 + k nm): row k / 10.
Rgb8 GridPenColour(int k);

}  // namespace vmf
