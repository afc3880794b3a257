#pragma once

#include <array>
#include <cstdint>
#include <string>

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

// Receives each map cell as an operation completes it.
class CellSink {
 public:
  virtual ~CellSink() = default;
  virtual void PaintCell(uint16_t index, Color color) = 0;
};

// The 2001-cell map drawn onto the window bitmap.
class BlockGrid : public CellSink {
 public:
  explicit BlockGrid(Surface& surface);

  // Draws the clean map: white area, labels, frames, separating lines;
  // nothing when the map is clean already.
  void DrawGrid();
  void PaintCell(uint16_t index, Color color) override;

  // True while the map on screen is freshly drawn and no operation has
  // painted since; an operation that paints cells clears it as it starts.
  bool GridClean() const { return gridClean_; }
  void SetGridClean(bool clean) { gridClean_ = clean; }

  // What the map shows, for a screen reader: how many cells are red (an
  // error), then the counts of the other colours painted.
  std::string Description() const;

 private:
  Surface& surface_;
  bool gridClean_ = false;
  // The colour of each cell, White while unpainted.
  std::array<Color, CellCount> cells_;
};

}  // namespace tamarack
