#pragma once

#include "platform/font_backend.h"

namespace tamarack {

// The console has no fonts: text takes no room and draws nothing, so the
// bitmap holds everything but the captions, pixel for pixel as the window
// draws it.
class ConsoleFontBackend : public FontBackend {
 public:
  TextExtent Measure(CaptionFont, const std::string&) override { return {}; }
  void Draw(const PixelBuffer&, int, int, CaptionFont, Color, const std::string&) override {}
};

}  // namespace tamarack
