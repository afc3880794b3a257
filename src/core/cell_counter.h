#pragma once

#include <cstdint>

#include "core/map_layout.h"
#include "platform/color.h"

namespace tamarack {

// Bytes per map cell: the file's size divided by the cell count, rounded up.
constexpr int64_t MapCellSize(int64_t fileSize) { return (fileSize + CellCount - 1) / CellCount; }

// Counts the bytes of a file, in file order, into the cells of the map and
// paints each cell as it completes: in the marked colour when one of its
// bytes was marked (an error, a filled byte), else in the plain one. Costs
// one step per cell completed, not per byte.
class CellCounter {
 public:
  // Starts over for a file of fileSize bytes (at least 1).
  void Start(int64_t fileSize, Color plain, Color marked);
  // Counts the next count bytes; marked tells whether they mark their cells.
  void Add(int64_t count, bool marked, CellSink& sink);
  // Paints the last cell when it holds bytes: the end of the file, or of
  // the bytes read before a stop.
  void Finish(CellSink& sink);

  // The bytes that complete the current cell.
  int64_t LeftInCell() const { return CellSize - CellBytes; }

  int64_t CellSize = 1;    // bytes per cell
  int64_t CellBytes = 0;   // bytes of the current cell counted so far
  uint16_t CellIndex = 0;  // the index of the last painted cell, 0 before the first
  bool CellMarked = false;

 private:
  void EndCell(CellSink& sink);

  Color plain_{};
  Color marked_{};
};

}  // namespace tamarack
