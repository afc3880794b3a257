#include "platform/qt/bitmap_widget.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>

#include "platform/qt/bitmap_accessible.h"

namespace tamarack {

BitmapWidget::BitmapWidget(Surface& surface, QWidget* parent) : QWidget(parent), surface_(surface) {
  setFixedSize(Surface::Width, Surface::Height);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  // Tab reaches the drawn buttons; a click leaves the focus where it is.
  setFocusPolicy(Qt::TabFocus);
  InstallBitmapAccessibleFactory();
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
  if (r.Left < r.Right && r.Top < r.Bottom) {
    // At a fractional scale a logical edge falls inside a screen pixel; one
    // pixel more on each side repaints it whole.
    const int grow = surface_.DeviceScale() == 1.0 ? 0 : 1;
    update(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top)
               .adjusted(-grow, -grow, grow, grow));
  }
  NotifyStateChanges();
}

void BitmapWidget::paintEvent(QPaintEvent*) {
  // A view of the surface's pixels, which the painter only reads. A view of
  // writable memory keeps setDevicePixelRatio from copying the buffer.
  QImage image(const_cast<uint8_t*>(surface_.Pixels()), surface_.DeviceWidth(),
               surface_.DeviceHeight(), surface_.DeviceBytesPerLine(), QImage::Format_RGB888);
  image.setDevicePixelRatio(surface_.DeviceScale());
  QPainter painter(this);
  painter.drawImage(QPointF(0, 0), image);
  if (const std::optional<QRect> mark = FocusMarkRect()) {
    // Two black pixels, then one white pixel up to the button's black
    // edge: it stands out on the panels' gradients and on the buttons'
    // green alike, and does not merge with the button's own edge.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(QRectF(*mark).adjusted(1, 1, -1, -1));
    painter.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(QRectF(*mark).adjusted(2.5, 2.5, -2.5, -2.5));
  }
}

void BitmapWidget::SetTextView(QWidget* textView) {
  textView_ = textView;
  connect(qApp, &QApplication::focusChanged, this, [this] { update(); });
}

void BitmapWidget::ShowFocusCues() {
  if (focusCues_) return;
  focusCues_ = true;
  update();
}

std::optional<QRect> BitmapWidget::FocusMarkRect() const {
  if (!focusCues_) return std::nullopt;
  // Round the text view, in the four-pixel frame of the view area.
  if (textView_ && textView_->isVisible() && textView_->hasFocus()) {
    return textView_->geometry().adjusted(-3, -3, 3, 3);
  }
  if (!controls_ || !hasFocus()) return std::nullopt;
  const int id = controls_->FocusedControl();
  if (id == 0) return std::nullopt;
  const DrawnControl control = controls_->Control(id);
  if (!control.Enabled || !control.Visible) return std::nullopt;
  // Round the button, in the gap between it and its neighbours.
  const PixelRect& r = control.Rect;
  return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top).adjusted(-3, -3, 3, 3);
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

void BitmapWidget::keyPressEvent(QKeyEvent* event) {
  const bool press = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                     event->key() == Qt::Key_Enter;
  if (!controls_ || !press || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    QWidget::keyPressEvent(event);
    return;
  }
  ShowFocusCues();
  // A held key does not press again and again.
  if (!event->isAutoRepeat() && controls_->FocusedControl() != 0) {
    controls_->Press(controls_->FocusedControl());
  }
}

void BitmapWidget::focusInEvent(QFocusEvent* event) {
  if (controls_) {
    if (event->reason() == Qt::TabFocusReason) {
      controls_->EnterFocus(FocusMove::Next);
    } else if (event->reason() == Qt::BacktabFocusReason) {
      controls_->EnterFocus(FocusMove::Previous);
    } else {
      controls_->KeepFocus();
    }
  }
  QWidget::focusInEvent(event);
  FocusMoved();
}

void BitmapWidget::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

// Tab and Shift+Tab while a drawn button has the focus: on to the next
// button, or to the text view when it is next.
bool BitmapWidget::focusNextPrevChild(bool next) {
  if (!controls_ || !hasFocus()) return QWidget::focusNextPrevChild(next);
  ShowFocusCues();
  const bool stays = controls_->MoveFocus(next ? FocusMove::Next : FocusMove::Previous);
  FocusMoved();
  return stays || QWidget::focusNextPrevChild(next);
}

void BitmapWidget::FocusMoved() {
  update();
  if (!controls_ || !hasFocus() || !QAccessible::isActive()) return;
  const int id = controls_->FocusedControl();
  if (id == 0) return;
  QAccessibleEvent focus(this, QAccessible::Focus);
  focus.setChild(id - 1);
  QAccessible::updateAccessibility(&focus);
}

// Tells assistive technology which buttons changed their name or state
// since it was last told: a drawn button changes only by being redrawn, so
// this runs with every repaint of the surface.
void BitmapWidget::NotifyStateChanges() {
  if (!QAccessible::isActive()) return;
  if (map_) {
    const std::string description = map_->Describe();
    if (description != announcedMap_) {
      announcedMap_ = description;
      QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
      changed.setChild(controls_ ? controls_->ControlCount() : 0);
      QAccessible::updateAccessibility(&changed);
    }
  }
  if (!controls_) return;
  const int count = controls_->ControlCount();
  announced_.resize(static_cast<size_t>(count));
  for (int id = 1; id <= count; ++id) {
    const DrawnControl now = controls_->Control(id);
    DrawnControl& before = announced_[static_cast<size_t>(id - 1)];
    if (now.Name != before.Name) {
      QAccessibleEvent renamed(this, QAccessible::NameChanged);
      renamed.setChild(id - 1);
      QAccessible::updateAccessibility(&renamed);
    }
    QAccessible::State changed;
    changed.disabled = now.Enabled != before.Enabled;
    changed.checked = now.Checked != before.Checked;
    changed.invisible = now.Visible != before.Visible;
    if (changed.disabled || changed.checked || changed.invisible) {
      QAccessibleStateChangeEvent event(this, changed);
      event.setChild(id - 1);
      QAccessible::updateAccessibility(&event);
    }
    before = now;
  }
}

}  // namespace tamarack
