#include "app/cli_map_picture.h"

#include <algorithm>
#include <cstdint>

#include "core/map_layout.h"

namespace tamarack {
namespace {

// Fills the rectangle, in window pixels, clipped to the picture of the map.
void Fill(RgbImage& picture, const PixelRect& rect, Color color) {
  const int left = std::max(rect.Left - MapRect.Left, 0);
  const int top = std::max(rect.Top - MapRect.Top, 0);
  const int right = std::min(rect.Right - MapRect.Left, picture.Width);
  const int bottom = std::min(rect.Bottom - MapRect.Top, picture.Height);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      uint8_t* pixel = &picture.Pixels[(static_cast<size_t>(y) * picture.Width + x) * 3];
      pixel[0] = color.R;
      pixel[1] = color.G;
      pixel[2] = color.B;
    }
  }
}

void Frame(RgbImage& picture, const PixelRect& r, Color color) {
  Fill(picture, {r.Left, r.Top, r.Right, r.Top + 1}, color);
  Fill(picture, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, color);
  Fill(picture, {r.Left, r.Top, r.Left + 1, r.Bottom}, color);
  Fill(picture, {r.Right - 1, r.Top, r.Right, r.Bottom}, color);
}

}  // namespace

RgbImage MapPicture(const std::vector<Color>& cells) {
  RgbImage picture;
  picture.Width = MapRect.Right - MapRect.Left;
  picture.Height = MapRect.Bottom - MapRect.Top;
  picture.Pixels.assign(static_cast<size_t>(picture.Width) * picture.Height * 3, 255);
  for (const MapStroke& stroke : MapStrokes()) {
    if (stroke.Frame) {
      Frame(picture, stroke.Rect, Grey);
    } else {
      Fill(picture, stroke.Rect, Grey);
    }
  }
  const size_t count = std::min(cells.size(), static_cast<size_t>(CellCount));
  for (size_t i = 0; i < count; ++i) {
    Fill(picture, CellRect(static_cast<uint16_t>(i + 1)), cells[i]);
  }
  return picture;
}

}  // namespace tamarack
