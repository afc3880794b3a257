#include "core/block_grid.h"

#include <algorithm>
#include <cassert>

namespace tamarack {

CellOrigin CellPosition(uint16_t index) {
  if (index <= 1) return {109, 62};
  if (index <= 1921) {
    const int c = index - 2;
    return {109 + 5 * (c % 80), 85 + 5 * (c / 80)};
  }
  return {109 + 5 * (index - 1922), 223};
}

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
  surface_.FrameRect({108, 61, 114, 67}, Grey);
  surface_.FrameRect({108, 84, 509, 205}, Grey);
  surface_.FrameRect({108, 222, 509, 228}, Grey);
  for (int k = 1; k <= 23; ++k) surface_.FillRect({109, 84 + 5 * k, 508, 85 + 5 * k}, Grey);
  for (int k = 1; k <= 79; ++k) {
    const int x = 108 + 5 * k;
    surface_.FillRect({x, 85, x + 1, 204}, Grey);
    surface_.FillRect({x, 223, x + 1, 227}, Grey);
  }
  gridClean_ = true;
}

// An index outside the map paints nothing: a miscounted cell must never
// paint over the frames, buttons or progress bar around the map.
void BlockGrid::PaintCell(uint16_t index, Color color) {
  assert(index >= 1 && index <= CellCount);
  if (index < 1 || index > CellCount) return;
  const CellOrigin o = CellPosition(index);
  surface_.FillRect({o.X, o.Y, o.X + 4, o.Y + 4}, color);
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
