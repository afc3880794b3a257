#pragma once

#include <cstdint>

namespace tamarack {

// An RGB colour of the drawing surface. A colour read from outside the
// bitmap is invalid; drawing with an invalid colour paints black.
struct Color {
  uint8_t R = 0;
  uint8_t G = 0;
  uint8_t B = 0;
  bool Valid = true;

  friend bool operator==(const Color&, const Color&) = default;
};

constexpr Color MakeColor(uint8_t r, uint8_t g, uint8_t b) { return Color{r, g, b, true}; }
constexpr Color InvalidColor{0, 0, 0, false};

constexpr Color White = MakeColor(255, 255, 255);
constexpr Color Black = MakeColor(0, 0, 0);
constexpr Color Grey = MakeColor(128, 128, 128);
constexpr Color Silver = MakeColor(192, 192, 192);
constexpr Color Red = MakeColor(255, 0, 0);
constexpr Color Green = MakeColor(0, 255, 0);
constexpr Color Blue = MakeColor(0, 0, 255);

}  // namespace tamarack
