#pragma once

#include <QWidget>
#include <functional>

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

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Surface& surface_;
  bool flushPosted_ = false;
};

}  // namespace tamarack
