#include "app/logo_icon.h"

#include <QPixmap>
#include <QString>

#include "platform/surface.h"
#include "ui/logo.h"

namespace tamarack {
namespace {

// The logo has no text: a backend that draws none serves its surfaces.
class NoFonts : public FontBackend {
 public:
  TextExtent Measure(CaptionFont, const std::string&) override { return {}; }
  void Draw(const PixelBuffer&, int, int, CaptionFont, Color, const std::string&) override {}
};

// The logo at its own size, drawn by the window's code. It is drawn on a
// black and on a white surface: a pixel that differs between the two is one
// the logo leaves transparent.
QImage LogoPixels() {
  NoFonts fonts;
  Surface onBlack(fonts);
  Surface onWhite(fonts);
  onBlack.FillRect({0, 0, Surface::Width, Surface::Height}, Black);
  onWhite.FillRect({0, 0, Surface::Width, Surface::Height}, White);
  DrawLogo(onBlack);
  DrawLogo(onWhite);
  QImage image(LogoSize, LogoSize, QImage::Format_ARGB32);
  for (int y = 0; y < LogoSize; ++y) {
    for (int x = 0; x < LogoSize; ++x) {
      const Color a = onBlack.GetPixel(LogoLeft + x, LogoTop + y);
      const Color b = onWhite.GetPixel(LogoLeft + x, LogoTop + y);
      const bool opaque = a.R == b.R && a.G == b.G && a.B == b.B;
      image.setPixel(x, y, opaque ? qRgb(a.R, a.G, a.B) : qRgba(0, 0, 0, 0));
    }
  }
  return image;
}

}  // namespace

const std::vector<int>& IconSizes() {
  static const std::vector<int> sizes = {16, 32, 48, 64, 128, 256};
  return sizes;
}

QImage LogoImage(int size) {
  return LogoPixels().scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QIcon LogoIcon() {
  QIcon icon;
  for (int size : IconSizes()) icon.addPixmap(QPixmap::fromImage(LogoImage(size)));
  return icon;
}

QByteArray LogoSvg() {
  const QImage pixels = LogoPixels();
  QByteArray svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
      "viewBox=\"0 0 16 16\" shape-rendering=\"crispEdges\">\n";
  for (int y = 0; y < LogoSize; ++y) {
    for (int x = 0; x < LogoSize; ++x) {
      const QRgb pixel = pixels.pixel(x, y);
      if (qAlpha(pixel) == 0) continue;
      svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"1\" height=\"1\" fill=\"#%3\"/>\n")
                 .arg(x)
                 .arg(y)
                 .arg(pixel & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                 .toUtf8();
    }
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace tamarack
