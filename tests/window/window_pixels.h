#pragma once

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <sstream>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace tamarack::testing {

// The device pixels where the window as Qt paints it differs from the
// program's bitmap, outside the given rectangle (in window pixels).
inline std::vector<QPoint> DifferingPixels(QWidget& window, const Surface& bitmap,
                                           const PixelRect& skip) {
  const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_RGB888);
  std::vector<QPoint> differing;
  if (shot.width() != bitmap.DeviceWidth() || shot.height() != bitmap.DeviceHeight()) {
    differing.emplace_back(-1, -1);
    return differing;
  }
  const PixelRect skipped = {bitmap.ToDevice(skip.Left), bitmap.ToDevice(skip.Top),
                             bitmap.ToDevice(skip.Right), bitmap.ToDevice(skip.Bottom)};
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      if (x >= skipped.Left && x < skipped.Right && y >= skipped.Top && y < skipped.Bottom) {
        continue;
      }
      const QRgb shown = shot.pixel(x, y);
      const Color drawn = bitmap.GetDevicePixel(x, y);
      if (qRed(shown) != drawn.R || qGreen(shown) != drawn.G || qBlue(shown) != drawn.B) {
        differing.emplace_back(x, y);
      }
    }
  }
  return differing;
}

// The same as a message: empty when the window shows exactly the bitmap,
// else the first differences.
inline std::string CompareWithBitmap(QWidget& window, const Surface& bitmap,
                                     const PixelRect& skip) {
  const std::vector<QPoint> differing = DifferingPixels(window, bitmap, skip);
  std::ostringstream out;
  for (size_t i = 0; i < differing.size() && i < 5; ++i) {
    out << "(" << differing[i].x() << ", " << differing[i].y() << ") ";
  }
  if (!differing.empty()) out << differing.size() << " device pixels differ";
  return out.str();
}

}  // namespace tamarack::testing
