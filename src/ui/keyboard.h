#pragma once

#include <array>
#include <functional>

#include "platform/drawn_controls.h"
#include "ui/buttons.h"
#include "ui/views.h"

namespace tamarack {

// The keys that run a command wherever the keyboard focus is: Select/Clear,
// the Help view, Pause/Stop and Close.
enum class ShortcutKey { SelectClear, Help, PauseStop, Close };

// The drawn buttons from the keyboard. A keyboard focus moves over the
// buttons that can be pressed and the text view. The text view, which has
// the focus at start, comes first: Tab goes from it down the window's
// columns, the File, Create and Repair With buttons, Pause/Stop while the
// Analysis view shows, the View and Program buttons, then Minimize and
// Close, and from there back to the text view. Pressing a button is a click
// on it; so is a shortcut key, which presses its button if that is Up.
class KeyboardControl : public DrawnControls {
 public:
  // Stands for the text view in the focus order.
  static constexpr int TextViewItem = 0;
  static const std::array<int, ButtonCount + 1> FocusOrder;

  KeyboardControl(Buttons& buttons, Views& views, std::function<void(int)> runCommand);

  // Whether an item of the focus order can have the focus now: a button
  // that is not Disabled and can be seen, or the text view while it shows.
  bool CanTakeFocus(int item) const;
  void RunShortcut(ShortcutKey key);

  int ControlCount() const override { return ButtonCount; }
  DrawnControl Control(int id) const override;
  int FocusedControl() const override { return focused_; }
  bool MoveFocus(FocusMove move) override;
  void EnterFocus(FocusMove move) override;
  void KeepFocus() override;
  void Press(int id) override;

 private:
  Buttons& buttons_;
  Views& views_;
  std::function<void(int)> runCommand_;
  int focused_ = TextViewItem;
};

}  // namespace tamarack
