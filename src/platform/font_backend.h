#pragma once

#include <cstdint>
#include <string>

#include "platform/color.h"

namespace tamarack {

// The two caption fonts of the window: 8 pt regular and 10 pt bold.
enum class CaptionFont { Normal, Big };

struct TextExtent {
  int Width = 0;
  int Height = 0;
};

// A plain RGB pixel buffer: 3 bytes a pixel, rows of Width * 3 bytes, with
// Scale device pixels for each logical pixel of the window.
struct PixelBuffer {
  uint8_t* Pixels = nullptr;
  int Width = 0;
  int Height = 0;
  double Scale = 1.0;
};

// Renders text into a pixel buffer. Positions and measurements are in
// logical pixels; the glyphs are rendered at the buffer's own resolution.
// Only glyph pixels are written: the background stays.
class FontBackend {
 public:
  virtual ~FontBackend() = default;
  virtual TextExtent Measure(CaptionFont font, const std::string& text) = 0;
  virtual void Draw(const PixelBuffer& target, int x, int y, CaptionFont font, Color color,
                    const std::string& text) = 0;
};

}  // namespace tamarack
