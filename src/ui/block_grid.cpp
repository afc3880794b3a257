#include "ui/block_grid.h"

#include <algorithm>
#include <cassert>

namespace tamarack {

BlockGrid::BlockGrid(Surface& surface) : surface_(surface) { cells_.fill(White); }

void BlockGrid::DrawGrid() {
  if (gridClean_) return;
  surface_.FillRect(MapRect, White);
  cells_.fill(White);
  surface_.SetFont(CaptionFont::Normal);
  surface_.SetTextColor(Black);
  surface_.DrawText(107, 46, "Header");
  surface_.DrawText(108, 69, "Video/Audio");
  surface_.DrawText(107, 207, "Index");
  for (const MapStroke& stroke : MapStrokes()) {
    if (stroke.Frame) {
      surface_.FrameRect(stroke.Rect, Grey);
    } else {
      surface_.FillRect(stroke.Rect, Grey);
    }
  }
  gridClean_ = true;
}

// An index outside the map paints nothing: a miscounted cell must never
// paint over the frames, buttons or progress bar around the map.
void BlockGrid::PaintCell(uint16_t index, Color color) {
  assert(index >= 1 && index <= CellCount);
  if (index < 1 || index > CellCount) return;
  surface_.FillRect(CellRect(index), color);
  cells_[index - 1] = color;
}

std::string BlockGrid::Description() const {
  const auto count = [this](Color color) {
    return static_cast<int>(std::count(cells_.begin(), cells_.end(), color));
  };
  const int unpainted = count(White);
  if (unpainted == CellCount) return "Nothing has been painted on the map yet.";
  const int red = count(Red);
  std::string text = std::to_string(red) + " of " + std::to_string(CellCount) +
                     " cells red, with an error (" +
                     std::to_string((red * 100 + CellCount - 1) / CellCount) + " %)";
  const std::pair<Color, const char*> others[] = {
      {Green, "green"}, {Blue, "blue"}, {Silver, "silver"}, {White, "not painted"}};
  for (const auto& [color, name] : others) {
    if (const int n = count(color)) text += ", " + std::to_string(n) + " " + name;
  }
  return text + ".";
}

}  // namespace tamarack
