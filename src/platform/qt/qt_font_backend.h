#pragma once

#include <QFont>

#include "platform/font_backend.h"

namespace tamarack {

// Makes the faces that the window was laid out for known to Qt where they
// are installed (Debian's fonts-wine keeps them outside the system's font
// folders): "MS Sans Serif" and "Tahoma". Registering them again adds
// nothing.
void RegisterWindowFonts();

// The window font, the 8 pt caption font, for a screen of the given device
// pixel ratio. "MS Sans Serif" is a bitmap face made for 96 pixels per inch
// (11-pixel characters on 13-pixel lines); it is used at scale 1. At other
// scales, and where it is missing, Liberation Sans Narrow at 11 pixels takes
// its place: an outline face that the font engine renders at the screen's
// resolution and narrow enough that the help text's rule line (one space
// and 128 hyphens) still fits the text view on one line.
QFont WindowFont(double deviceScale);

// The 10 pt bold caption font: Tahoma bold at 13 pixels where installed,
// else Liberation Sans bold.
QFont BigFont();

// Text through Qt, drawn at the pixel buffer's resolution: at scale 2 a
// caption is rendered by the font engine at 22 pixels, not enlarged from 11.
class QtFontBackend : public FontBackend {
 public:
  explicit QtFontBackend(double deviceScale = 1.0);
  TextExtent Measure(CaptionFont font, const std::string& text) override;
  void Draw(const PixelBuffer& target, int x, int y, CaptionFont font, Color color,
            const std::string& text) override;

  const QFont& FontOf(CaptionFont font) const { return font == CaptionFont::Big ? big_ : normal_; }

 private:
  QFont normal_;
  QFont big_;
};

}  // namespace tamarack
