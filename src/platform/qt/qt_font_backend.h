#pragma once

#include <QFont>

#include "platform/font_backend.h"

namespace tamarack {

// Text through Qt: "MS Sans Serif" where installed, else Liberation Sans,
// set by pixel size (11 px for 8 pt, 13 px bold for 10 pt) so the bitmap is
// the same at any screen resolution.
class QtFontBackend : public FontBackend {
 public:
  QtFontBackend();
  TextExtent Measure(CaptionFont font, const std::string& text) override;
  void Draw(uint8_t* pixels, int width, int height, int x, int y, CaptionFont font, Color color,
            const std::string& text) override;

  const QFont& FontOf(CaptionFont font) const { return font == CaptionFont::Big ? big_ : normal_; }

 private:
  QFont normal_;
  QFont big_;
};

// The window font: the 8 pt caption font.
QFont WindowFont();

}  // namespace tamarack
