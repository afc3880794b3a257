#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/map_layout.h"
#include "platform/surface.h"

namespace tamarack {

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
