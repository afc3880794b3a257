#include "platform/qt/qt_font_backend.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace tamarack {
namespace {

constexpr const char* BitmapFace = "MS Sans Serif";
constexpr const char* BoldFace = "Tahoma";
constexpr const char* NarrowFallback = "Liberation Sans Narrow";
constexpr const char* BoldFallback = "Liberation Sans";

bool HasFamily(const char* family) {
  return QFontDatabase::families().contains(QString::fromLatin1(family));
}

bool AtScaleOne(double deviceScale) { return deviceScale > 0.999 && deviceScale < 1.001; }

QFont MakeFont(const char* family, int pixelSize, bool bold) {
  QFont font(QString::fromLatin1(family));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setStyleHint(QFont::SansSerif);
  font.setKerning(false);
  return font;
}

}  // namespace

void RegisterWindowFonts() {
  const struct {
    const char* Family;
    const char* Files[2];
  } faces[] = {
      {BitmapFace, {"/usr/share/wine/fonts/ms_sans_serif.ttf", nullptr}},
      {BoldFace, {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}},
  };
  for (const auto& face : faces) {
    if (HasFamily(face.Family)) continue;
    for (const char* file : face.Files) {
      if (file && QFile::exists(QString::fromLatin1(file))) {
        QFontDatabase::addApplicationFont(QString::fromLatin1(file));
      }
    }
  }
}

QFont WindowFont(double deviceScale) {
  if (AtScaleOne(deviceScale) && HasFamily(BitmapFace)) return MakeFont(BitmapFace, 11, false);
  return MakeFont(NarrowFallback, 11, false);
}

QFont BigFont() { return MakeFont(HasFamily(BoldFace) ? BoldFace : BoldFallback, 13, true); }

QtFontBackend::QtFontBackend(double deviceScale) {
  RegisterWindowFonts();
  normal_ = WindowFont(deviceScale);
  big_ = BigFont();
}

TextExtent QtFontBackend::Measure(CaptionFont font, const std::string& text) {
  const QFontMetrics metrics(FontOf(font));
  return {metrics.horizontalAdvance(QString::fromStdString(text)), metrics.height()};
}

void QtFontBackend::Draw(const PixelBuffer& target, int x, int y, CaptionFont font, Color color,
                         const std::string& text) {
  QImage image(target.Pixels, target.Width, target.Height, target.Width * 3, QImage::Format_RGB888);
  image.setDevicePixelRatio(target.Scale);
  QPainter painter(&image);
  painter.setFont(FontOf(font));
  painter.setPen(QColor(color.R, color.G, color.B));
  const QFontMetrics metrics(FontOf(font));
  painter.drawText(x, y + metrics.ascent(), QString::fromStdString(text));
}

}  // namespace tamarack
