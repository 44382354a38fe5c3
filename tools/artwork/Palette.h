#pragma once

#include "Canvas.h"

// One palette for every picture, so the knobs, switches and panel read as one product:
// blue-grey charcoal metal, warm amber and cream like the value texts, misty teal.
namespace artwork::palette {

inline constexpr Rgba kPanelTop = Rgb8(44, 52, 62);
inline constexpr Rgba kPanelBottom = Rgb8(24, 29, 36);
inline constexpr Rgba kTrayTop = Rgb8(50, 59, 70);
inline constexpr Rgba kTrayBottom = Rgb8(33, 39, 47);
inline constexpr Rgba kDisplay = Rgb8(9, 12, 15);
inline constexpr Rgba kShadow = Rgb8(3, 5, 8);

inline constexpr Rgba kCream = Rgb8(255, 255, 192);     // the value texts' colour
inline constexpr Rgba kLabel = Rgb8(226, 221, 192);     // engraved labels, a step quieter
inline constexpr Rgba kAmber = Rgb8(255, 178, 76);
inline constexpr Rgba kAmberLight = Rgb8(255, 222, 150);
inline constexpr Rgba kTeal = Rgb8(116, 206, 184);
inline constexpr Rgba kTealDim = Rgb8(76, 140, 128);

inline constexpr Rgba kMetalLight = Rgb8(118, 128, 140);
inline constexpr Rgba kMetal = Rgb8(66, 74, 84);
inline constexpr Rgba kMetalDark = Rgb8(28, 33, 40);

} // namespace artwork::palette
