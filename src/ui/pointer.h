#pragma once

#include <functional>

#include "platform/window_host.h"
#include "ui/buttons.h"

namespace tamarack {

// The pointer handlers of the window bitmap: a press and a release over the
// same Up button run that button's command; a press over no button moves
// the window.
class PointerHandler {
 public:
  PointerHandler(Buttons& buttons, WindowHost& window, std::function<void(int)> runCommand);

  void DoMouseDown(int x, int y);
  void DoMouseMove(int x, int y, bool leftButtonHeld);
  void DoMouseUp(int x, int y);

  void BeginWindowMove();
  void MoveWindow();
  // Ends the move and brings the window back so that at least 50 pixels of
  // it lie on the screen across and down.
  void EndWindowMove();

  bool Dragging() const { return dragging_; }
  void SetDragging(bool dragging) { dragging_ = dragging; }

 private:
  Buttons& buttons_;
  WindowHost& window_;
  std::function<void(int)> runCommand_;
  bool dragging_ = false;
  ScreenPoint anchor_{};
};

}  // namespace tamarack
