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

// The persistent 616 x 300 RGB bitmap that everything visible but the text
// control is drawn into. The pixel work is done here; text goes through the
// font backend. Every change is reported to the listener so that the window
// can repaint the changed rectangle from the bitmap.
class Surface {
 public:
  static constexpr int Width = 616;
  static constexpr int Height = 300;

  explicit Surface(FontBackend& fonts);

  // Colour of a pixel; InvalidColor outside the bitmap.
  Color GetPixel(int x, int y) const;
  // Pixels outside the bitmap are not drawn.
  void SetPixel(int x, int y, Color color);
  // A one-pixel line from (x0, y0) towards (x1, y1); the end point is not drawn.
  void DrawLine(int x0, int y0, int x1, int y1, Color color);
  void FillRect(const PixelRect& rect, Color color);
  // A one-pixel frame along the inside of the rectangle.
  void FrameRect(const PixelRect& rect, Color color);

  // The current font and text colour, kept between calls as a canvas does.
  void SetFont(CaptionFont font) { font_ = font; }
  CaptionFont Font() const { return font_; }
  void SetTextColor(Color color) { textColor_ = color; }
  TextExtent MeasureText(const std::string& text);
  // Draws text with a transparent background, its top-left corner at (x, y).
  void DrawText(int x, int y, const std::string& text);

  const uint8_t* Pixels() const { return pixels_.data(); }
  static constexpr int BytesPerLine = Width * 3;

  // The union of the rectangles changed since the last call; empty when none.
  PixelRect TakeDirtyRect();
  // Called when the first change after a TakeDirtyRect is made.
  void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

 private:
  void Changed(const PixelRect& rect);

  FontBackend& fonts_;
  std::vector<uint8_t> pixels_;
  CaptionFont font_ = CaptionFont::Normal;
  Color textColor_ = Black;
  PixelRect dirty_{};
  std::function<void()> listener_;
};

}  // namespace tamarack
