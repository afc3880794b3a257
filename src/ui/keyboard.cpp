#include "ui/keyboard.h"

#include <algorithm>

namespace tamarack {
namespace {

// What each button does, in the help text's words; button 1 says what it
// does now.
constexpr std::array<const char*, ButtonCount> CommandNames = {
    "",
    "Analyze",
    "Create Backup",
    "Create Patch",
    "Repair with Reference",
    "Repair with Patch",
    "Information",
    "Analysis",
    "Patch Codes",
    "Help",
    "Feedback",
    "Website",
    "Version",
    "Pause/Stop",
    "Minimize",
    "Close",
};

}  // namespace

const std::array<int, ButtonCount + 1> KeyboardControl::FocusOrder = {
    TextViewItem,      SelectClearButton,     AnalyzeButton,     CreateBackupButton,
    CreatePatchButton, RepairReferenceButton, RepairPatchButton, PauseStopButton,
    InformationButton, AnalysisButton,        PatchCodesButton,  HelpButton,
    FeedbackButton,    WebsiteButton,         VersionButton,     MinimizeButton,
    CloseButton,
};

KeyboardControl::KeyboardControl(Buttons& buttons, Views& views,
                                 std::function<void(int)> runCommand)
    : buttons_(buttons), views_(views), runCommand_(std::move(runCommand)) {}

bool KeyboardControl::CanTakeFocus(int item) const {
  const bool analysisShown = views_.CurrentView() == View::Analysis;
  if (item == TextViewItem) return !analysisShown;
  // Pause/Stop lies under the text view in every other view.
  if (item == PauseStopButton && !analysisShown) return false;
  return buttons_.State(item) != ButtonState::Disabled;
}

DrawnControl KeyboardControl::Control(int id) const {
  DrawnControl control;
  control.Name = id == SelectClearButton ? buttons_.Caption(id) : CommandNames[id - 1];
  control.Rect = ToPixels(ButtonTable[id - 1].Rect);
  control.Enabled = buttons_.State(id) != ButtonState::Disabled;
  control.Checkable = id >= InformationButton && id <= HelpButton;
  control.Checked = control.Checkable && buttons_.State(id) == ButtonState::Down;
  control.Visible = id != PauseStopButton || views_.CurrentView() == View::Analysis;
  return control;
}

bool KeyboardControl::MoveFocus(FocusMove move) {
  const int size = static_cast<int>(FocusOrder.size());
  const auto at = std::find(FocusOrder.begin(), FocusOrder.end(), focused_);
  int position = static_cast<int>(at - FocusOrder.begin());
  const int step = move == FocusMove::Next ? 1 : size - 1;
  for (int tried = 0; tried < size; ++tried) {
    position = (position + step) % size;
    const int item = FocusOrder[position];
    if (!CanTakeFocus(item)) continue;
    focused_ = item;
    return item != TextViewItem;
  }
  focused_ = TextViewItem;
  return false;
}

void KeyboardControl::EnterFocus(FocusMove move) {
  focused_ = TextViewItem;
  MoveFocus(move);
}

void KeyboardControl::KeepFocus() {
  if (focused_ == TextViewItem || !CanTakeFocus(focused_)) EnterFocus(FocusMove::Next);
}

void KeyboardControl::Press(int id) {
  if (buttons_.State(id) != ButtonState::Up) return;
  buttons_.DrawButton(id, ButtonState::Down);
  buttons_.SetPressedButton(id);
  runCommand_(id);
  // As after a click: a command that changed the view has reset the pressed
  // button, so a view button stays Down.
  if (buttons_.PressedButton() == id) buttons_.DrawButton(id, ButtonState::Up);
}

void KeyboardControl::RunShortcut(ShortcutKey key) {
  switch (key) {
    case ShortcutKey::SelectClear:
      Press(SelectClearButton);
      break;
    case ShortcutKey::Help:
      Press(HelpButton);
      break;
    case ShortcutKey::PauseStop:
      Press(PauseStopButton);
      break;
    case ShortcutKey::Close:
      Press(CloseButton);
      break;
  }
}

}  // namespace tamarack
