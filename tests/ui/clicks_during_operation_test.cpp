#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace tamarack {
namespace {

// Clicks that arrive through the event pump while an operation runs, as
// they do nested inside the release that started it.
class ClicksDuringOperationTest : public testing::ProgramTest {
 protected:
  ClicksDuringOperationTest() {
    AddFile("/videos/film.avi", std::vector<uint8_t>(4096, 1));
    SelectFile("/videos/film.avi");
    // Analyze stands in for every operation: four steps, each shown as
    // progress, each taken only while the busy flag holds.
    program->Runner.SetOperation(AnalyzeButton, [this] {
      ++runs;
      program->Progress.SetOperationTitle("Working");
      for (int step = 0; step < 4 && program->Control.Busy(); ++step) {
        program->Progress.ShowProgress(step, 4);
        ++steps;
      }
    });
    pump.OnPump = [this](int) {
      if (!during) return;
      auto nested = std::move(during);
      nested();
    };
  }

  std::function<void()> during;  // runs at the next pump
  int runs = 0;
  int steps = 0;
};

TEST_F(ClicksDuringOperationTest, OwnDisabledButtonDoesNotStartTheOperationAgain) {
  during = [this] {
    EXPECT_EQ(program->ButtonPanel.State(AnalyzeButton), ButtonState::Disabled);
    Click(AnalyzeButton);
    Click(SelectClearButton);
  };
  Click(AnalyzeButton);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(steps, 4);
  EXPECT_TRUE(program->Selected.HasFile());
  EXPECT_EQ(program->ButtonPanel.State(AnalyzeButton), ButtonState::Up);
}

TEST_F(ClicksDuringOperationTest, PauseStopAnsweredNoGoesOnAndEndsDisabled) {
  during = [this] {
    EXPECT_EQ(program->ButtonPanel.State(PauseStopButton), ButtonState::Up);
    dialogs.Expect(MessageKind::Confirmation,
                   "Current operation paused.\r\nStop current operation?", PromptResult::No);
    Click(PauseStopButton);
  };
  Click(AnalyzeButton);
  EXPECT_EQ(steps, 4);
  EXPECT_TRUE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ButtonPanel.State(PauseStopButton), ButtonState::Disabled);
  EXPECT_EQ(program->ButtonPanel.State(AnalyzeButton), ButtonState::Up);
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Analysis);
}

TEST_F(ClicksDuringOperationTest, ViewsCanBeSwitchedAndPauseStopAnsweredYesStops) {
  during = [this] {
    Click(HelpButton);
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Help);
    Click(AnalysisButton);
    during = [this] {
      dialogs.Expect(MessageKind::Confirmation, "Current operation paused.*", PromptResult::Yes);
      Click(PauseStopButton);
    };
  };
  Click(AnalyzeButton);
  EXPECT_LT(steps, 4);
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  EXPECT_EQ(program->ButtonPanel.State(InformationButton), ButtonState::Down);
  EXPECT_EQ(program->ButtonPanel.State(PauseStopButton), ButtonState::Disabled);
  EXPECT_EQ(program->ButtonPanel.State(AnalyzeButton), ButtonState::Up);
}

}  // namespace
}  // namespace tamarack
