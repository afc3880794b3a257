#include "core/map_layout.h"

#include <vector>

namespace tamarack {

CellOrigin CellPosition(uint16_t index) {
  if (index <= 1) return {109, 62};
  if (index <= 1921) {
    const int c = index - 2;
    return {109 + 5 * (c % 80), 85 + 5 * (c / 80)};
  }
  return {109 + 5 * (index - 1922), 223};
}

PixelRect CellRect(uint16_t index) {
  const CellOrigin o = CellPosition(index);
  return {o.X, o.Y, o.X + 4, o.Y + 4};
}

namespace {

std::vector<MapStroke> MakeStrokes() {
  std::vector<MapStroke> strokes = {
      {{108, 61, 114, 67}, true}, {{108, 84, 509, 205}, true}, {{108, 222, 509, 228}, true}};
  for (int k = 1; k <= 23; ++k) strokes.push_back({{109, 84 + 5 * k, 508, 85 + 5 * k}, false});
  for (int k = 1; k <= 79; ++k) {
    const int x = 108 + 5 * k;
    strokes.push_back({{x, 85, x + 1, 204}, false});
    strokes.push_back({{x, 223, x + 1, 227}, false});
  }
  return strokes;
}

}  // namespace

std::span<const MapStroke> MapStrokes() {
  static const std::vector<MapStroke> strokes = MakeStrokes();
  return strokes;
}

}  // namespace tamarack
