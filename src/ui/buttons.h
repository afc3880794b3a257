#pragma once

#include <array>
#include <functional>
#include <string>

#include "platform/surface.h"
#include "ui/layout.h"

namespace tamarack {

enum class ButtonState { Disabled = 0, Up = 1, Down = 2 };

constexpr int ButtonCount = 16;

// Button ids, which are also the command numbers.
enum ButtonId : int {
  SelectClearButton = 1,
  AnalyzeButton = 2,
  CreateBackupButton = 3,
  CreatePatchButton = 4,
  RepairReferenceButton = 5,
  RepairPatchButton = 6,
  InformationButton = 7,
  AnalysisButton = 8,
  PatchCodesButton = 9,
  HelpButton = 10,
  FeedbackButton = 11,
  WebsiteButton = 12,
  VersionButton = 13,
  PauseStopButton = 14,
  MinimizeButton = 15,
  CloseButton = 16,
};

struct ButtonInfo {
  const char* Caption;
  LayoutRect Rect;
};

// Entry id - 1 of the button table.
extern const std::array<ButtonInfo, ButtonCount> ButtonTable;

// The id of the button under a window point, 0 for none. The coordinates are
// taken as unsigned 16-bit values, so a point left of or above the window
// hits nothing.
int ButtonAt(int x, int y);

// The sixteen drawn buttons and their remembered states. DrawButton and
// DrawOperationButtons are the only writers of the states; every button
// counts as Disabled until it is first drawn.
class Buttons {
 public:
  // fileSelected tells whether a file is selected, for the caption of button 1.
  Buttons(Surface& surface, std::function<bool()> fileSelected);

  void DrawButton(int id, ButtonState state);
  // Draws buttons 2 to 6, in that order, all in one state.
  void DrawOperationButtons(ButtonState state);
  ButtonState State(int id) const { return states_[id - 1]; }
  // The caption the button shows: button 1's follows the selection.
  std::string Caption(int id) const;

  // The button that a pointer press last pushed down; 0 for none.
  int PressedButton() const { return pressed_; }
  void SetPressedButton(int id) { pressed_ = id; }

 private:
  Surface& surface_;
  std::function<bool()> fileSelected_;
  std::array<ButtonState, ButtonCount> states_{};
  int pressed_ = 0;
};

}  // namespace tamarack
