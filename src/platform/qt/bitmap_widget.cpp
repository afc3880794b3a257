#include "platform/qt/bitmap_widget.h"

#include <QImage>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>

namespace tamarack {

BitmapWidget::BitmapWidget(Surface& surface, QWidget* parent) : QWidget(parent), surface_(surface) {
  setFixedSize(Surface::Width, Surface::Height);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  surface_.SetChangeListener([this] {
    if (flushPosted_) return;
    flushPosted_ = true;
    QMetaObject::invokeMethod(this, [this] { FlushSurface(); }, Qt::QueuedConnection);
  });
}

void BitmapWidget::FlushSurface() {
  flushPosted_ = false;
  const PixelRect r = surface_.TakeDirtyRect();
  if (r.Left < r.Right && r.Top < r.Bottom) update(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

void BitmapWidget::paintEvent(QPaintEvent* event) {
  const QImage image(surface_.Pixels(), Surface::Width, Surface::Height, Surface::BytesPerLine,
                     QImage::Format_RGB888);
  QPainter painter(this);
  painter.drawImage(event->rect(), image, event->rect());
}

void BitmapWidget::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) OnMouseDown(event->position().toPoint().x(), event->position().toPoint().y());
}

void BitmapWidget::mouseMoveEvent(QMouseEvent* event) {
  const bool left = event->buttons().testFlag(Qt::LeftButton);
  if (OnMouseMove) OnMouseMove(event->position().toPoint().x(), event->position().toPoint().y(), left);
}

void BitmapWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseUp) OnMouseUp(event->position().toPoint().x(), event->position().toPoint().y());
}

}  // namespace tamarack
