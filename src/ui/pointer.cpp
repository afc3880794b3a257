#include "ui/pointer.h"

namespace tamarack {

PointerHandler::PointerHandler(Buttons& buttons, WindowHost& window,
                               std::function<void(int)> runCommand)
    : buttons_(buttons), window_(window), runCommand_(std::move(runCommand)) {}

void PointerHandler::DoMouseDown(int x, int y) {
  const int id = ButtonAt(x, y);
  if (id == 0) {
    BeginWindowMove();
  } else if (buttons_.State(id) == ButtonState::Up) {
    buttons_.DrawButton(id, ButtonState::Down);
    buttons_.SetPressedButton(id);
  } else {
    buttons_.SetPressedButton(0);
  }
}

void PointerHandler::DoMouseMove(int x, int y, bool leftButtonHeld) {
  if (dragging_) {
    MoveWindow();
    return;
  }
  const int id = ButtonAt(x, y);
  const int p = buttons_.PressedButton();
  if (id != p) {
    if (p != 0 && buttons_.State(p) == ButtonState::Down) buttons_.DrawButton(p, ButtonState::Up);
  } else if (leftButtonHeld && p != 0 && buttons_.State(p) == ButtonState::Up) {
    buttons_.DrawButton(p, ButtonState::Down);
  }
}

void PointerHandler::DoMouseUp(int x, int y) {
  if (dragging_) {
    EndWindowMove();
    return;
  }
  const int id = ButtonAt(x, y);
  const int p = buttons_.PressedButton();
  if (id != p || p == 0) return;
  runCommand_(p);
  // A command that changed the view reset the pressed button, so a view
  // button stays Down; a nested click may have pressed another button, which
  // is then left as its command drew it.
  if (buttons_.PressedButton() == p) buttons_.DrawButton(p, ButtonState::Up);
}

void PointerHandler::BeginWindowMove() {
  // Where the window system moves the window itself, the release may still
  // arrive as a plain release: it must not click the button pressed before.
  if (window_.StartSystemMove()) {
    buttons_.SetPressedButton(0);
    return;
  }
  dragging_ = true;
  anchor_ = window_.PointerPosition();
}

void PointerHandler::MoveWindow() {
  if (!dragging_) return;
  const ScreenPoint q = window_.PointerPosition();
  window_.SetLeft(window_.Left() + (q.X - anchor_.X));
  window_.SetTop(window_.Top() + (q.Y - anchor_.Y));
  anchor_ = q;
}

void PointerHandler::EndWindowMove() {
  dragging_ = false;
  const int width = window_.Width();
  const int height = window_.Height();
  const int screenWidth = window_.ScreenWidth();
  const int screenHeight = window_.ScreenHeight();
  if (window_.Left() + width < 50) window_.SetLeft(50 - width);
  if (window_.Left() > screenWidth - 50) window_.SetLeft(screenWidth - 50);
  if (window_.Top() + height < 50) window_.SetTop(50 - height);
  if (window_.Top() > screenHeight - 50) window_.SetTop(screenHeight - 50);
}

}  // namespace tamarack
