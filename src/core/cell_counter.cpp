#include "core/cell_counter.h"

#include <algorithm>
#include <cassert>

namespace tamarack {

void CellCounter::Start(int64_t fileSize, Color plain, Color marked) {
  assert(fileSize > 0);
  CellSize = MapCellSize(fileSize);
  CellBytes = 0;
  CellIndex = 0;
  CellMarked = false;
  plain_ = plain;
  marked_ = marked;
}

void CellCounter::Add(int64_t count, bool marked, CellSink& sink) {
  while (count > 0) {
    const int64_t k = std::min(count, LeftInCell());
    if (marked) CellMarked = true;
    CellBytes += k;
    count -= k;
    if (CellBytes == CellSize) EndCell(sink);
  }
}

void CellCounter::Finish(CellSink& sink) {
  if (CellBytes > 0) EndCell(sink);
}

void CellCounter::EndCell(CellSink& sink) {
  assert(CellIndex < CellCount);
  ++CellIndex;
  sink.PaintCell(CellIndex, CellMarked ? marked_ : plain_);
  CellMarked = false;
  CellBytes = 0;
}

}  // namespace tamarack
