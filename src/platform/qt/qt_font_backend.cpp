#include "platform/qt/qt_font_backend.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace tamarack {
namespace {

QString FaceName() {
  const QStringList families = QFontDatabase::families();
  if (families.contains(QStringLiteral("MS Sans Serif"))) return QStringLiteral("MS Sans Serif");
  return QStringLiteral("Liberation Sans");
}

QFont MakeFont(int pixelSize, bool bold) {
  QFont font(FaceName());
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setStyleHint(QFont::SansSerif);
  font.setKerning(false);
  return font;
}

}  // namespace

QFont WindowFont() { return MakeFont(11, false); }

QtFontBackend::QtFontBackend() : normal_(MakeFont(11, false)), big_(MakeFont(13, true)) {}

TextExtent QtFontBackend::Measure(CaptionFont font, const std::string& text) {
  const QFontMetrics metrics(FontOf(font));
  return {metrics.horizontalAdvance(QString::fromStdString(text)), metrics.height()};
}

void QtFontBackend::Draw(uint8_t* pixels, int width, int height, int x, int y, CaptionFont font,
                         Color color, const std::string& text) {
  QImage image(pixels, width, height, width * 3, QImage::Format_RGB888);
  QPainter painter(&image);
  painter.setFont(FontOf(font));
  painter.setPen(QColor(color.R, color.G, color.B));
  const QFontMetrics metrics(FontOf(font));
  painter.drawText(x, y + metrics.ascent(), QString::fromStdString(text));
}

}  // namespace tamarack
