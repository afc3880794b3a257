#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/surface.h"

namespace tamarack {

// The image control that covers the window: paints itself from the surface
// and hands pointer presses, moves and releases on. Qt's implicit grab keeps
// moves and the release coming after the pointer has left the window.
class BitmapWidget : public QWidget {
  Q_OBJECT

 public:
  BitmapWidget(Surface& surface, QWidget* parent);

  std::function<void(int x, int y)> OnMouseDown;
  std::function<void(int x, int y, bool leftHeld)> OnMouseMove;
  std::function<void(int x, int y)> OnMouseUp;

  // Repaints whatever the surface has changed since the last call.
  void FlushSurface();

  // The pointer's screen position at the mouse event being handled; none
  // outside the handlers.
  std::optional<QPoint> EventGlobalPosition() const { return eventGlobal_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Surface& surface_;
  bool flushPosted_ = false;
  std::optional<QPoint> eventGlobal_;
};

}  // namespace tamarack
