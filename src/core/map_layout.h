#pragma once

#include <cstdint>
#include <span>

#include "platform/color.h"
#include "platform/surface.h"

namespace tamarack {

// Cells of the map: one Header cell, a block of 24 rows of 80, one Index row.
constexpr int CellCount = 2001;
// The area of the map with its labels, in window pixels.
constexpr PixelRect MapRect{104, 44, 512, 252};

struct CellOrigin {
  int X = 0;
  int Y = 0;
};

// The top-left pixel of a cell's 4 x 4 square, for an index of 1 to 2001.
CellOrigin CellPosition(uint16_t index);

// The square of a cell, in window pixels.
PixelRect CellRect(uint16_t index);

// One stroke of the clean map's lines: a frame (its outline one pixel
// wide) or a filled rectangle, both grey.
struct MapStroke {
  PixelRect Rect;
  bool Frame = false;
};

// The frames around the three parts of the map and the lines between its
// cells, in the order they are drawn, on the white map area.
std::span<const MapStroke> MapStrokes();

// Receives each map cell as an operation completes it.
class CellSink {
 public:
  virtual ~CellSink() = default;
  virtual void PaintCell(uint16_t index, Color color) = 0;
};

}  // namespace tamarack
