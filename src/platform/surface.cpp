#include "platform/surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tamarack {

Surface::Surface(FontBackend& fonts, double deviceScale)
    : fonts_(fonts),
      scale_(std::max(deviceScale, 1.0)),
      deviceWidth_(ToDevice(Width)),
      deviceHeight_(ToDevice(Height)),
      pixels_(static_cast<size_t>(deviceWidth_) * deviceHeight_ * 3, 255) {}

int Surface::ToDevice(int logical) const { return static_cast<int>(std::lround(logical * scale_)); }

Color Surface::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return InvalidColor;
  return GetDevicePixel(ToDevice(x), ToDevice(y));
}

Color Surface::GetDevicePixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= deviceWidth_ || y >= deviceHeight_) return InvalidColor;
  const uint8_t* p = &pixels_[(static_cast<size_t>(y) * deviceWidth_ + x) * 3];
  return MakeColor(p[0], p[1], p[2]);
}

void Surface::SetPixel(int x, int y, Color color) { FillRect({x, y, x + 1, y + 1}, color); }

// Bresenham's line, stepping until the end point, which is left out as a
// Windows pen line leaves it out.
void Surface::DrawLine(int x0, int y0, int x1, int y1, Color color) {
  if (x0 == x1 && y0 == y1) return;
  if (y0 == y1) {
    FillRect({std::min(x0, x1 + 1), y0, std::max(x0 + 1, x1), y0 + 1}, color);
    return;
  }
  if (x0 == x1) {
    FillRect({x0, std::min(y0, y1 + 1), x0 + 1, std::max(y0 + 1, y1)}, color);
    return;
  }
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  int x = x0;
  int y = y0;
  while (x != x1 || y != y1) {
    SetPixel(x, y, color);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void Surface::FillRect(const PixelRect& rect, Color color) {
  const int left = std::max(rect.Left, 0);
  const int top = std::max(rect.Top, 0);
  const int right = std::min(rect.Right, Width);
  const int bottom = std::min(rect.Bottom, Height);
  if (left >= right || top >= bottom) return;
  FillDeviceRect(ToDevice(left), ToDevice(top), ToDevice(right), ToDevice(bottom), color);
  Changed({left, top, right, bottom});
}

void Surface::FillDeviceRect(int left, int top, int right, int bottom, Color color) {
  for (int y = top; y < bottom; ++y) {
    uint8_t* p = &pixels_[(static_cast<size_t>(y) * deviceWidth_ + left) * 3];
    for (int x = left; x < right; ++x) {
      *p++ = color.R;
      *p++ = color.G;
      *p++ = color.B;
    }
  }
}

void Surface::FrameRect(const PixelRect& rect, Color color) {
  if (rect.Left >= rect.Right || rect.Top >= rect.Bottom) return;
  FillRect({rect.Left, rect.Top, rect.Right, rect.Top + 1}, color);
  FillRect({rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom}, color);
  FillRect({rect.Left, rect.Top, rect.Left + 1, rect.Bottom}, color);
  FillRect({rect.Right - 1, rect.Top, rect.Right, rect.Bottom}, color);
}

int Surface::DeviceRows(int top, int bottom) const {
  return bottom > top ? ToDevice(bottom) - ToDevice(top) : 0;
}

void Surface::FillDeviceRow(const PixelRect& rect, int row, Color color) {
  const int y = ToDevice(rect.Top) + row;
  const int left = ToDevice(std::max(rect.Left, 0));
  const int right = ToDevice(std::min(rect.Right, Width));
  if (row < 0 || y < 0 || y >= deviceHeight_ || y >= ToDevice(rect.Bottom) || left >= right) {
    return;
  }
  FillDeviceRect(left, y, right, y + 1, color);
  Changed({std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, Width),
           std::min(rect.Bottom, Height)});
}

TextExtent Surface::MeasureText(const std::string& text) { return fonts_.Measure(font_, text); }

void Surface::DrawText(int x, int y, const std::string& text) {
  fonts_.Draw({pixels_.data(), deviceWidth_, deviceHeight_, scale_}, x, y, font_, textColor_, text);
  const TextExtent extent = fonts_.Measure(font_, text);
  Changed({x - 2, y - 2, x + extent.Width + 4, y + extent.Height + 4});
}

PixelRect Surface::TakeDirtyRect() {
  const PixelRect dirty = dirty_;
  dirty_ = {};
  return dirty;
}

void Surface::Changed(const PixelRect& rect) {
  const bool wasClean = dirty_.Left >= dirty_.Right;
  if (wasClean) {
    dirty_ = rect;
  } else {
    dirty_.Left = std::min(dirty_.Left, rect.Left);
    dirty_.Top = std::min(dirty_.Top, rect.Top);
    dirty_.Right = std::max(dirty_.Right, rect.Right);
    dirty_.Bottom = std::max(dirty_.Bottom, rect.Bottom);
  }
  if (wasClean && listener_) listener_();
}

}  // namespace tamarack
