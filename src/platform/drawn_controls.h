#pragma once

#include <string>

#include "platform/surface.h"

namespace tamarack {

// One drawn button of the window as the keyboard and assistive technology
// see it.
struct DrawnControl {
  std::string Name;  // the command it runs, as a screen reader announces it
  PixelRect Rect;    // in window pixels
  bool Enabled = false;
  bool Checkable = false;  // a view button: checked while its view shows
  bool Checked = false;
  bool Visible = true;  // false while the text view covers it
};

enum class FocusMove { Next, Previous };

// What the window's host needs from the program to let the drawn buttons be
// used without a pointer: their names and states, a keyboard focus that
// moves over them, and pressing one. The controls have the button ids, 1 to
// ControlCount().
class DrawnControls {
 public:
  virtual ~DrawnControls() = default;
  virtual int ControlCount() const = 0;
  virtual DrawnControl Control(int id) const = 0;
  // The button that has the keyboard focus while the bitmap has it; 0 for
  // none.
  virtual int FocusedControl() const = 0;
  // Moves the focus on to the next or previous button that can take it,
  // from the text view's place while no button has it. Returns false, with
  // no button focused, when the text view is next: the host then gives the
  // keyboard focus to the text view.
  virtual bool MoveFocus(FocusMove move) = 0;
  // The keyboard focus moves on from the text view to the bitmap: forward
  // to the first button after the text view's place, backward to the last
  // one before it.
  virtual void EnterFocus(FocusMove move) = 0;
  // The bitmap gets the keyboard focus back otherwise (the window is
  // activated again): the button that had the focus keeps it while it can
  // take it.
  virtual void KeepFocus() = 0;
  // Presses and releases the button, as a click on it would; a button that
  // is not Up does nothing.
  virtual void Press(int id) = 0;
};

}  // namespace tamarack
