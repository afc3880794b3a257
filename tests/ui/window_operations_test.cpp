#include "ui/window_operations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/operation_loop.h"
#include "core/selected_file.h"
#include "support/program_fixture.h"

namespace tamarack {
namespace {

constexpr const char* FilePath = "/videos/film.avi";
constexpr const char* StopPrompt = "Current operation paused.\r\nStop current operation?";
constexpr const char* Complete = "Test complete.";
constexpr Color RestTop = MakeColor(191, 191, 191);

std::string AccessErrorText(const std::string& role) {
  return "The " + role +
         " file cannot be accessed because:\r\n"
         " - Another application may be using this file, or\r\n"
         " - The file may be read-only, or\r\n"
         " - The file may have been moved, renamed or deleted since being selected";
}

// The whole program with a 64 KiB file selected and a test operation of ten
// blocks on the Analyze button. The operation follows the stop rule: it opens
// the selected file, paints one cell and shows its progress after each block,
// tests the busy flag after each block, closes the file and ends with a
// completion message.
class WindowOperationsTest : public testing::ProgramTest {
 protected:
  WindowOperationsTest() {
    AddFile(FilePath, std::vector<uint8_t>(65536, 1));
    SelectFile(FilePath);
    clock.Step = 501;  // every ProgressTimerDue finds the deadline passed
    program->Runner.SetOperation(AnalyzeButton, [this] { BlockOperation(); });
    program->Runner.SetOperation(CreateBackupButton, [this] { ++otherRuns; });
  }

  void BlockOperation() {
    ++runs;
    OperationControl& control = program->Control;
    SelectedFile selected(control, files, FilePath);
    selected.OpenSelectedFile(FileAccess::ReadOnly);
    if (!control.Busy()) return;
    OperationLoop loop(control, "Testing", MapCells::Painted);
    for (int block = 1; block <= 10; ++block) {
      control.Observer().PaintCell(static_cast<uint16_t>(block), Blue);
      ++blocksDone;
      loop.BlockDone(block, 10);
      if (!control.Busy()) break;
    }
    selected.CloseSelectedFile();
    if (!control.Busy()) return;
    loop.Complete();
    control.ShowMessage(MessageKind::Information, Complete);
  }

  // Runs the action at the n-th event pump after this call: 1 is the pump of
  // "Initializing", 2 the operation's own start, 3 the one after block 1.
  void AtPump(int n, std::function<void()> action) {
    const int base = pump.Calls;
    pump.OnPump = [base, n, action](int call) {
      if (call - base == n) action();
    };
  }

  void ExpectIdleWithFile() {
    EXPECT_FALSE(program->Control.Busy());
    for (int id = SelectClearButton; id <= RepairPatchButton; ++id) {
      EXPECT_EQ(program->ButtonPanel.State(id), ButtonState::Up) << "button " << id;
    }
    EXPECT_EQ(program->ButtonPanel.State(PauseStopButton), ButtonState::Disabled);
    EXPECT_EQ(files.OpenFiles, 0);
  }

  // The state after a run that ended with the busy flag clear: empty bar,
  // clean map, the buttons of the idle program.
  void ExpectCleanedUp() {
    ExpectIdleWithFile();
    EXPECT_FALSE(program->Control.LastRunCompleted());
    EXPECT_EQ(program->Progress.LastProgressText(), "");
    for (int x = 184; x < 508; ++x) ASSERT_EQ(program->Bitmap.GetPixel(x, 256), RestTop) << x;
    EXPECT_TRUE(program->Grid.GridClean());
    EXPECT_EQ(program->Bitmap.GetPixel(109, 62), White);
  }

  // The progress texts drawn into the bar, in order.
  std::vector<std::string> BarTexts() const {
    std::vector<std::string> texts;
    for (const auto& call : fonts.Calls) {
      if (call.Ink == Black && call.Y == 259 && call.X >= 184) texts.push_back(call.Text);
    }
    return texts;
  }

  int runs = 0;
  int otherRuns = 0;
  int blocksDone = 0;
};

TEST_F(WindowOperationsTest, CompletedRunLeavesMapAndViewAsTheOperationLeftThem) {
  const size_t textsBefore = BarTexts().size();
  dialogs.Expect(MessageKind::Information, Complete);
  Click(AnalyzeButton);
  EXPECT_EQ(blocksDone, 10);
  ExpectIdleWithFile();
  EXPECT_TRUE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Analysis);
  EXPECT_FALSE(program->Grid.GridClean());
  EXPECT_EQ(program->Bitmap.GetPixel(109, 62), Blue);

  std::vector<std::string> expected = {"Initializing - 0%", "Testing - 0%"};
  for (int p = 10; p <= 100; p += 10) expected.push_back("Testing - " + std::to_string(p) + "%");
  const std::vector<std::string> texts = BarTexts();
  EXPECT_EQ(std::vector<std::string>(texts.begin() + textsBefore, texts.end()), expected);
  EXPECT_EQ(program->Progress.LastProgressText(), "");
}

TEST_F(WindowOperationsTest, StopNotConfirmedLetsTheOperationFinish) {
  for (PromptResult answer : {PromptResult::No, PromptResult::None}) {
    blocksDone = 0;
    AtPump(4, [this] { Click(PauseStopButton); });
    dialogs.Expect(MessageKind::Confirmation, StopPrompt, answer);
    dialogs.Expect(MessageKind::Information, Complete);
    Click(AnalyzeButton);
    EXPECT_EQ(blocksDone, 10);
    EXPECT_TRUE(program->Control.LastRunCompleted());
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Analysis);
    // Clicked during the operation, Pause/Stop still ends Disabled.
    ExpectIdleWithFile();
  }
}

// The stop ends the run after the current block and cleans up; the view
// goes back to Information unless the user chose Patch Codes meanwhile.
TEST_F(WindowOperationsTest, StopConfirmedEndsAfterTheCurrentBlockAndCleansUp) {
  for (const View chosen : {View::Help, View::PatchCodes}) {
    blocksDone = 0;
    AtPump(4, [this, chosen] {
      Click(chosen == View::Help ? HelpButton : PatchCodesButton);
      Click(PauseStopButton);
    });
    dialogs.Expect(MessageKind::Confirmation, StopPrompt, PromptResult::Yes);
    Click(AnalyzeButton);
    EXPECT_EQ(blocksDone, 2);
    ExpectCleanedUp();
    const View shown = chosen == View::Help ? View::Information : View::PatchCodes;
    EXPECT_EQ(program->ViewArea.CurrentView(), shown);
    EXPECT_EQ(program->ButtonPanel.State(shown == View::Information ? InformationButton
                                                                    : PatchCodesButton),
              ButtonState::Down);
  }
  EXPECT_TRUE(dialogs.AllAnswered());
  // Stopping destroys nothing, so Return may confirm it.
  EXPECT_EQ(dialogs.DefaultOf(StopPrompt), DefaultAnswer::Yes);
  EXPECT_TRUE(program->DoExitProgram());  // after a stop, Close ends the program
}

TEST_F(WindowOperationsTest, StopConfirmedWhileInitializingRunsNoStep) {
  program->ViewArea.Store(View::PatchCodes) = "00010";
  // An operation whose first step would change a view store.
  program->Runner.SetOperation(AnalyzeButton, [this] {
    ++runs;
    program->ViewArea.Store(View::PatchCodes).clear();
    BlockOperation();
  });
  const int reads = files.Counts[FilePath].Reads;
  AtPump(1, [this] { Click(PauseStopButton); });
  dialogs.Expect(MessageKind::Confirmation, StopPrompt, PromptResult::Yes);
  Click(AnalyzeButton);
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(files.Counts[FilePath].Reads, reads);
  EXPECT_EQ(program->ViewArea.Store(View::PatchCodes), "00010");
  ExpectCleanedUp();
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
}

TEST_F(WindowOperationsTest, FailureOnTheFirstStepShowsOneMessageAndCleansUp) {
  files.Files.erase(FilePath);
  dialogs.Expect(MessageKind::Error, AccessErrorText("Selected"));
  Click(AnalyzeButton);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(blocksDone, 0);
  EXPECT_EQ(dialogs.Shown.size(), 1u);
  ExpectCleanedUp();
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  EXPECT_EQ(program->Selected.SelectedFileName(), FilePath);
}

TEST_F(WindowOperationsTest, OnlyTheFreeButtonsWorkDuringAnOperation) {
  AtPump(3, [this] {
    for (int id = SelectClearButton; id <= RepairPatchButton; ++id) {
      EXPECT_EQ(program->ButtonPanel.State(id), ButtonState::Disabled) << "button " << id;
    }
    EXPECT_EQ(program->ButtonPanel.State(PauseStopButton), ButtonState::Up);
    // Disabled buttons run nothing, not even the running operation again.
    for (int id = SelectClearButton; id <= RepairPatchButton; ++id) Click(id);
    // A request that bypasses the buttons starts no second operation either.
    program->RunCommand(CreateBackupButton);
    program->RunCommand(AnalyzeButton);
    EXPECT_EQ(files.OpenFiles, 1);
    // Views, program actions and minimising stay available.
    Click(HelpButton);
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Help);
    Click(AnalysisButton);
    Click(VersionButton);
    Click(MinimizeButton);
  });
  dialogs.Expect(MessageKind::Information, "Tamarack\r\n*");
  dialogs.Expect(MessageKind::Information, Complete);
  Click(AnalyzeButton);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(otherRuns, 0);
  EXPECT_EQ(blocksDone, 10);
  EXPECT_EQ(window.Minimized, 1);
  EXPECT_EQ(program->Selected.SelectedFileName(), FilePath);
  ExpectIdleWithFile();
}

TEST_F(WindowOperationsTest, CloseIsRefusedWhileBusyAndAllowedAfter) {
  AtPump(3, [this] {
    Click(CloseButton);
    EXPECT_EQ(window.CloseRequests, 1);
    EXPECT_FALSE(program->DoExitProgram());
  });
  dialogs.Expect(MessageKind::Information, "The current operation must\r\nbe stopped to exit.");
  dialogs.Expect(MessageKind::Information, Complete);
  Click(AnalyzeButton);
  EXPECT_EQ(blocksDone, 10);
  EXPECT_TRUE(program->DoExitProgram());
  Click(CloseButton);
  EXPECT_EQ(window.CloseRequests, 2);
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(WindowOperationsTest, PromptsChangeNoStateButErrorsStopAndResetProgress) {
  program->Control.HoldBusy(true);
  dialogs.Expect(MessageKind::Confirmation, "Go on?", PromptResult::No);
  EXPECT_EQ(program->Control.Ask(Question::OverwriteBackup, "Go on?"), PromptResult::No);
  EXPECT_TRUE(program->Control.Busy());

  program->Progress.SetOperationTitle("Testing");
  program->Progress.ShowProgress(1, 2);
  const int pumps = pump.Calls;
  dialogs.Expect(MessageKind::Error, "Line one\r\nLine two");
  program->Control.ShowError("Line one\r\nLine two");
  EXPECT_FALSE(program->Control.Busy());
  EXPECT_EQ(program->Progress.OperationTitle(), "");
  EXPECT_EQ(program->Progress.LastProgressText(), "");
  EXPECT_EQ(program->Bitmap.GetPixel(184, 256), RestTop);
  EXPECT_EQ(pump.Calls, pumps + 1);
}

TEST_F(WindowOperationsTest, AccessErrorNamesTheRoleInFourLines) {
  const std::pair<FileRole, const char*> roles[] = {{FileRole::Selected, "Selected"},
                                                    {FileRole::Reference, "Reference"},
                                                    {FileRole::Backup, "Backup"},
                                                    {FileRole::Patch, "Patch"}};
  for (const auto& [role, name] : roles) {
    program->Control.HoldBusy(true);
    dialogs.Expect(MessageKind::Error, AccessErrorText(name));
    program->Control.ShowAccessError(role);
    EXPECT_FALSE(program->Control.Busy()) << name;
  }
}

}  // namespace
}  // namespace tamarack
