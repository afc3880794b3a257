#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/color.h"
#include "platform/font_backend.h"

namespace tamarack {

// A pixel rectangle from (Left, Top) up to but not including (Right, Bottom).
struct PixelRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

// The persistent 616 x 300 bitmap that everything visible but the text
// control is drawn into. Drawing is addressed in logical pixels, the pixels
// of the 616 x 300 window; the bitmap itself holds device pixels, DeviceScale
// of them across and down for each logical pixel, so that the window is
// drawn at the screen's own resolution. A logical edge x lies at device edge
// round(x * DeviceScale): shapes drawn next to each other still meet without
// gap or overlap, and at scale 1 the two kinds of pixel are the same. The
// pixel work is done here; text goes through the font backend. Every change
// is reported to the listener so that the window can repaint the changed
// rectangle from the bitmap.
class Surface {
 public:
  static constexpr int Width = 616;
  static constexpr int Height = 300;

  // deviceScale is at least 1.
  explicit Surface(FontBackend& fonts, double deviceScale = 1.0);

  // Colour of a logical pixel (of its top-left device pixel); InvalidColor
  // outside the bitmap.
  Color GetPixel(int x, int y) const;
  // Pixels outside the bitmap are not drawn.
  void SetPixel(int x, int y, Color color);
  // A one-pixel line from (x0, y0) towards (x1, y1); the end point is not drawn.
  void DrawLine(int x0, int y0, int x1, int y1, Color color);
  void FillRect(const PixelRect& rect, Color color);
  // A one-pixel frame along the inside of the rectangle.
  void FrameRect(const PixelRect& rect, Color color);

  // The number of device pixel rows that the logical rows top to bottom - 1
  // cover, and a fill of one of those rows (0 is the top one) across the
  // rectangle: for shading that changes at every device row.
  int DeviceRows(int top, int bottom) const;
  void FillDeviceRow(const PixelRect& rect, int row, Color color);

  // The current font and text colour, kept between calls as a canvas does.
  void SetFont(CaptionFont font) { font_ = font; }
  CaptionFont Font() const { return font_; }
  void SetTextColor(Color color) { textColor_ = color; }
  TextExtent MeasureText(const std::string& text);
  // Draws text with a transparent background, its top-left corner at (x, y).
  void DrawText(int x, int y, const std::string& text);

  double DeviceScale() const { return scale_; }
  // The device pixel edge of a logical edge.
  int ToDevice(int logical) const;
  int DeviceWidth() const { return deviceWidth_; }
  int DeviceHeight() const { return deviceHeight_; }
  int DeviceBytesPerLine() const { return deviceWidth_ * 3; }
  // The device pixels, rows of DeviceBytesPerLine bytes.
  const uint8_t* Pixels() const { return pixels_.data(); }
  // The colour of a device pixel; InvalidColor outside the bitmap.
  Color GetDevicePixel(int x, int y) const;

  // The union of the logical rectangles changed since the last call; empty
  // when none.
  PixelRect TakeDirtyRect();
  // Called when the first change after a TakeDirtyRect is made.
  void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

 private:
  void FillDeviceRect(int left, int top, int right, int bottom, Color color);
  void Changed(const PixelRect& rect);

  FontBackend& fonts_;
  double scale_;
  int deviceWidth_;
  int deviceHeight_;
  std::vector<uint8_t> pixels_;
  CaptionFont font_ = CaptionFont::Normal;
  Color textColor_ = Black;
  PixelRect dirty_{};
  std::function<void()> listener_;
};

}  // namespace tamarack
