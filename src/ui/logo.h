#pragma once

#include <array>
#include <cstdint>

#include "platform/color.h"
#include "platform/surface.h"

namespace tamarack {

// A grid entry of LogoTransparent leaves the pixel as it is.
constexpr uint8_t LogoTransparent = 99;

extern const std::array<Color, 20> LogoPalette;
extern const std::array<std::array<uint8_t, 16>, 16> LogoGrid;

// Draws the 16 x 16 logo with its top-left corner at (8, 8).
void DrawLogo(Surface& surface);

}  // namespace tamarack
