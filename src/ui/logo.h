#pragma once

#include <array>
#include <cstdint>

#include "platform/color.h"
#include "platform/surface.h"

namespace tamarack {

// A grid entry of LogoTransparent leaves the pixel as it is.
constexpr uint8_t LogoTransparent = 99;
// Where the logo stands on the window and its size in pixels.
constexpr int LogoLeft = 8;
constexpr int LogoTop = 8;
constexpr int LogoSize = 16;

extern const std::array<Color, 20> LogoPalette;
extern const std::array<std::array<uint8_t, LogoSize>, LogoSize> LogoGrid;

// Draws the logo with its top-left corner at (LogoLeft, LogoTop).
void DrawLogo(Surface& surface);

}  // namespace tamarack
