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
    QMetaObject::invokeMethod(
        this, [this] { FlushSurface(); }, Qt::QueuedConnection);
  });
}

void BitmapWidget::FlushSurface() {
  flushPosted_ = false;
  const PixelRect r = surface_.TakeDirtyRect();
  if (r.Left < r.Right && r.Top < r.Bottom)
    update(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

void BitmapWidget::paintEvent(QPaintEvent* event) {
  const QImage image(surface_.Pixels(), Surface::Width, Surface::Height, Surface::BytesPerLine,
                     QImage::Format_RGB888);
  QPainter painter(this);
  painter.drawImage(event->rect(), image, event->rect());
}

namespace {

// Holds the event's screen position for the handler's duration. Handlers
// nest (a release runs a whole operation, which handles further events), so
// the outer event's position comes back afterwards.
class EventPositionScope {
 public:
  EventPositionScope(std::optional<QPoint>& slot, const QMouseEvent* event)
      : slot_(slot), saved_(slot) {
    slot_ = event->globalPosition().toPoint();
  }
  ~EventPositionScope() { slot_ = saved_; }

 private:
  std::optional<QPoint>& slot_;
  std::optional<QPoint> saved_;
};

}  // namespace

void BitmapWidget::mousePressEvent(QMouseEvent* event) {
  const EventPositionScope scope(eventGlobal_, event);
  const QPoint p = event->position().toPoint();
  if (OnMouseDown) OnMouseDown(p.x(), p.y());
}

void BitmapWidget::mouseMoveEvent(QMouseEvent* event) {
  const EventPositionScope scope(eventGlobal_, event);
  const QPoint p = event->position().toPoint();
  const bool left = event->buttons().testFlag(Qt::LeftButton);
  if (OnMouseMove) OnMouseMove(p.x(), p.y(), left);
}

void BitmapWidget::mouseReleaseEvent(QMouseEvent* event) {
  const EventPositionScope scope(eventGlobal_, event);
  const QPoint p = event->position().toPoint();
  if (OnMouseUp) OnMouseUp(p.x(), p.y());
}

}  // namespace tamarack
