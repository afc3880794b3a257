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

// Renders text into a plain RGB pixel buffer (3 bytes a pixel, rows of
// Width * 3 bytes). Only glyph pixels are written: the background stays.
class FontBackend {
 public:
  virtual ~FontBackend() = default;
  virtual TextExtent Measure(CaptionFont font, const std::string& text) = 0;
  virtual void Draw(uint8_t* pixels, int width, int height, int x, int y, CaptionFont font,
                    Color color, const std::string& text) = 0;
};

}  // namespace tamarack
