#pragma once

#include <cstdint>

#include "platform/color.h"
#include "platform/surface.h"

namespace tamarack {

// A rectangle of the window in units of 4 pixels: left, top, width, height.
struct LayoutRect {
  uint8_t Left = 0;
  uint8_t Top = 0;
  uint8_t Width = 0;
  uint8_t Height = 0;

  friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// The pixel rectangle that a layout rectangle stands for.
constexpr PixelRect ToPixels(LayoutRect r) {
  return {4 * r.Left, 4 * r.Top, 4 * (r.Left + r.Width), 4 * (r.Top + r.Height)};
}

// A vertical colour gradient: the start colour is the top row, the end
// colour the bottom row.
struct Gradient {
  uint8_t StartR, StartG, StartB;
  uint8_t EndR, EndG, EndB;

  friend bool operator==(const Gradient&, const Gradient&) = default;
};

constexpr LayoutRect WindowRect{0, 0, 154, 75};
constexpr LayoutRect TitleRect{7, 2, 25, 4};
constexpr LayoutRect MainPanelRect{2, 8, 150, 65};
constexpr LayoutRect FileGroupRect{4, 10, 19, 19};
constexpr LayoutRect CreateGroupRect{4, 31, 19, 19};
constexpr LayoutRect RepairGroupRect{4, 52, 19, 19};
constexpr LayoutRect ViewFrameRect{25, 10, 104, 61};
constexpr LayoutRect ViewAreaRect{26, 11, 102, 59};
constexpr LayoutRect ProgressRect{46, 64, 81, 5};
constexpr LayoutRect ViewGroupRect{131, 10, 19, 33};
constexpr LayoutRect ProgramGroupRect{131, 45, 19, 26};

constexpr Gradient BackgroundGradient{0, 0, 224, 210, 215, 255};
constexpr Gradient PanelGradient{220, 15, 55, 245, 250, 140};
constexpr Gradient GreyGradient{128, 128, 128, 255, 255, 255};
constexpr Gradient ButtonGradient{0, 255, 0, 0, 128, 0};

}  // namespace tamarack
