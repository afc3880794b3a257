#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/drawn_controls.h"
#include "platform/surface.h"

namespace tamarack {

// The image control that covers the window: paints itself from the surface
// and hands pointer presses, moves and releases on. Qt's implicit grab keeps
// moves and the release coming after the pointer has left the window.
//
// It also lets the drawn buttons be used from the keyboard: it takes the
// focus by Tab (never by a click), moves it over the buttons with Tab and
// Shift+Tab, and presses the focused button with Space or Return. A focus
// mark, a black and white ring just outside the focused button or the text
// view, painted over the bitmap and never into it, shows once the keyboard
// has moved the focus. Assistive technology sees
// the buttons as accessible push buttons (BitmapAccessible).
class BitmapWidget : public QWidget {
  Q_OBJECT

 public:
  BitmapWidget(Surface& surface, QWidget* parent);

  std::function<void(int x, int y)> OnMouseDown;
  std::function<void(int x, int y, bool leftHeld)> OnMouseMove;
  std::function<void(int x, int y)> OnMouseUp;

  // The buttons that the keyboard and assistive technology reach.
  void SetControls(DrawnControls* controls) { controls_ = controls; }
  DrawnControls* Controls() const { return controls_; }
  // The text view that lies over the bitmap: its focus mark is painted
  // round it, in the frame of the view area.
  void SetTextView(QWidget* textView);
  // From now on the focus mark shows round the button or the text view that
  // has the focus: the keyboard has been used to move the focus.
  void ShowFocusCues();
  // The window rectangle round the focus mark; none while no mark is shown.
  std::optional<QRect> FocusMarkRect() const;

  // The map of the file, which assistive technology sees as an image named
  // "Map of the file" with a description of how much of it is damaged. The
  // map shows only while shown() says so.
  struct DrawnMap {
    PixelRect Rect;
    std::function<bool()> Shown;
    std::function<std::string()> Describe;
  };
  void SetMap(DrawnMap map) { map_ = std::move(map); }
  const std::optional<DrawnMap>& Map() const { return map_; }

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
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  void FocusMoved();
  void NotifyStateChanges();

  Surface& surface_;
  DrawnControls* controls_ = nullptr;
  QWidget* textView_ = nullptr;
  bool flushPosted_ = false;
  bool focusCues_ = false;
  std::optional<QPoint> eventGlobal_;
  std::vector<DrawnControl> announced_;  // the states assistive technology was told
  std::optional<DrawnMap> map_;
  std::string announcedMap_;
};

}  // namespace tamarack
