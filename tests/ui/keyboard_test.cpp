#include "ui/keyboard.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/program_fixture.h"
#include "ui/program_info.h"

namespace tamarack {
namespace {

constexpr const char* StopQuestion = "Current operation paused.\r\nStop current operation?";

class KeyboardTest : public testing::ProgramTest {
 protected:
  // The buttons that Tab (or Shift+Tab) visits from the text view until the
  // focus would go back to it; at most 20.
  std::vector<int> Round(FocusMove move) {
    std::vector<int> visited;
    program->Keys.EnterFocus(move);
    for (bool onButton = program->Keys.FocusedControl() != 0; onButton && visited.size() < 20;
         onButton = program->Keys.MoveFocus(move)) {
      visited.push_back(program->Keys.FocusedControl());
    }
    return visited;
  }

  void SelectFilm() {
    AddFile("/videos/film.avi", std::vector<uint8_t>(4096, 1));
    SelectFile("/videos/film.avi");
  }
};

TEST_F(KeyboardTest, FocusGoesDownTheColumnsOverWhatCanBePressed) {
  // At start no file is selected: Analyze to Repair with Patch are disabled
  // and Pause/Stop lies under the text view.
  EXPECT_EQ(Round(FocusMove::Next), (std::vector<int>{1, 7, 8, 9, 10, 11, 12, 13, 15, 16}));
  EXPECT_EQ(Round(FocusMove::Previous), (std::vector<int>{16, 15, 13, 12, 11, 10, 9, 8, 7, 1}));
  // The round ends back on the text view, no button focused.
  EXPECT_EQ(program->Keys.FocusedControl(), 0);

  SelectFilm();
  EXPECT_EQ(Round(FocusMove::Next),
            (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16}));

  // The Analysis view hides the text view: the focus only goes round the
  // buttons, Pause/Stop still disabled.
  program->RunCommand(AnalysisButton);
  std::vector<int> visited;
  program->Keys.EnterFocus(FocusMove::Next);
  for (int i = 0; i < 16; ++i) {
    visited.push_back(program->Keys.FocusedControl());
    EXPECT_TRUE(program->Keys.MoveFocus(FocusMove::Next));
  }
  EXPECT_EQ(visited, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 1}));
}

TEST_F(KeyboardTest, DuringAnOperationPauseStopTakesTheTextViewsPlace) {
  SelectFilm();
  std::vector<int> visited;
  int kept = -1;
  // The pump of "Initializing" comes before the runner shows the Analysis
  // view; the operation's own comes after.
  pump.OnPump = [&](int) {
    if (!visited.empty() || program->ViewArea.CurrentView() != View::Analysis) return;
    program->Keys.EnterFocus(FocusMove::Next);
    for (int i = 0; i < 4; ++i) {
      visited.push_back(program->Keys.FocusedControl());
      program->Keys.MoveFocus(FocusMove::Previous);
    }
    // The focused button keeps the focus when the window comes back.
    program->Keys.KeepFocus();
    kept = program->Keys.FocusedControl();
  };
  program->Runner.SetOperation(AnalyzeButton, [this] { program->Progress.ShowProgress(0, 1); });
  program->RunCommand(AnalyzeButton);
  // Select/Clear and the operations are disabled while it runs.
  EXPECT_EQ(visited, (std::vector<int>{14, 16, 15, 13}));
  EXPECT_EQ(kept, 12);
  // Afterwards Pause/Stop can no longer have it.
  program->Keys.EnterFocus(FocusMove::Next);
  EXPECT_EQ(program->Keys.FocusedControl(), SelectClearButton);
}

TEST_F(KeyboardTest, PressingAButtonIsAClickOnIt) {
  program->Keys.Press(HelpButton);
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Help);
  EXPECT_EQ(program->ButtonPanel.State(HelpButton), ButtonState::Down);
  program->Keys.Press(HelpButton);  // its view shows: nothing happens
  EXPECT_EQ(program->ButtonPanel.State(HelpButton), ButtonState::Down);
  program->Keys.Press(AnalyzeButton);  // disabled without a file: no message, no run
  EXPECT_TRUE(dialogs.Shown.empty());
  // A button whose command leaves the view alone pops up again.
  dialogs.Expect(MessageKind::Information, VersionBoxText(""));
  program->Keys.Press(VersionButton);
  EXPECT_EQ(program->ButtonPanel.State(VersionButton), ButtonState::Up);
  EXPECT_EQ(program->ButtonPanel.PressedButton(), VersionButton);
}

TEST_F(KeyboardTest, ShortcutsPressTheirButtonsWhenTheyAreUp) {
  AddFile("/videos/film.avi", std::vector<uint8_t>(4096, 1));
  dialogs.ExpectFile("/videos/film.avi");
  program->Keys.RunShortcut(ShortcutKey::SelectClear);
  EXPECT_TRUE(program->Selected.HasFile());
  EXPECT_EQ(program->ButtonPanel.State(SelectClearButton), ButtonState::Up);
  program->Keys.RunShortcut(ShortcutKey::SelectClear);
  EXPECT_FALSE(program->Selected.HasFile());

  program->Keys.RunShortcut(ShortcutKey::Help);
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Help);

  // Escape outside an operation: Pause/Stop is disabled, nothing is asked.
  program->Keys.RunShortcut(ShortcutKey::PauseStop);
  EXPECT_TRUE(dialogs.Shown.empty());

  program->Keys.RunShortcut(ShortcutKey::Close);
  EXPECT_EQ(window.CloseRequests, 1);
  EXPECT_EQ(program->ButtonPanel.State(CloseButton), ButtonState::Up);
}

TEST_F(KeyboardTest, EscapeDuringAnOperationAsksToStopIt) {
  SelectFilm();
  int steps = 0;
  program->Runner.SetOperation(AnalyzeButton, [&] {
    for (int step = 0; step < 5 && program->Control.Busy(); ++step) {
      program->Progress.ShowProgress(step, 5);
      ++steps;
    }
  });
  pump.OnPump = [this](int call) {
    // Even from another view, where the button lies under the text view.
    if (call == 2) program->RunCommand(HelpButton);
    if (call == 3) program->Keys.RunShortcut(ShortcutKey::PauseStop);
  };
  dialogs.Expect(MessageKind::Confirmation, StopQuestion, PromptResult::Yes);
  program->RunCommand(AnalyzeButton);
  EXPECT_LT(steps, 5);
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ButtonPanel.State(PauseStopButton), ButtonState::Disabled);
}

TEST_F(KeyboardTest, ControlsNameTheirCommandsAndTellTheirState) {
  KeyboardControl& keys = program->Keys;
  EXPECT_EQ(keys.ControlCount(), 16);
  // Names in the help text's words, as a screen reader announces them.
  EXPECT_EQ(keys.Control(SelectClearButton).Name, "Select");
  EXPECT_EQ(keys.Control(RepairReferenceButton).Name, "Repair with Reference");
  EXPECT_EQ(keys.Control(PauseStopButton).Name, "Pause/Stop");
  // Each control follows its drawn button: where it is and whether it works.
  for (int id = 1; id <= 16; ++id) {
    const DrawnControl control = keys.Control(id);
    const PixelRect drawn = ToPixels(ButtonTable[id - 1].Rect);
    EXPECT_EQ(control.Rect.Left, drawn.Left) << id;
    EXPECT_EQ(control.Rect.Bottom, drawn.Bottom) << id;
    EXPECT_EQ(control.Enabled, program->ButtonPanel.State(id) != ButtonState::Disabled) << id;
  }
  EXPECT_TRUE(keys.Control(HelpButton).Checkable);
  EXPECT_FALSE(keys.Control(AnalyzeButton).Checkable);
  EXPECT_TRUE(keys.Control(InformationButton).Checked);
  EXPECT_FALSE(keys.Control(PauseStopButton).Visible);
  EXPECT_FALSE(keys.Control(AnalyzeButton).Enabled);
  SelectFilm();
  EXPECT_EQ(keys.Control(SelectClearButton).Name, "Clear");
  EXPECT_TRUE(keys.Control(AnalyzeButton).Enabled);
  program->RunCommand(AnalysisButton);
  EXPECT_TRUE(keys.Control(PauseStopButton).Visible);
  EXPECT_FALSE(keys.Control(PauseStopButton).Enabled);
  EXPECT_TRUE(keys.Control(AnalysisButton).Checked);
  EXPECT_FALSE(keys.Control(InformationButton).Checked);
}

}  // namespace
}  // namespace tamarack
