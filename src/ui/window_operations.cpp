#include "ui/window_operations.h"

#include <cassert>

#include "analysis/analysis_report.h"

namespace tamarack {

WindowOperations::WindowOperations(Dialogs& dialogs, Buttons& buttons, ProgressBar& progress,
                                   BlockGrid& grid, Views& views, OperationControl& control,
                                   FileSelection& selection)
    : dialogs_(dialogs),
      buttons_(buttons),
      progress_(progress),
      grid_(grid),
      views_(views),
      control_(control),
      selection_(selection) {}

void WindowOperations::SetOperation(int command, std::function<void()> operation) {
  assert(command >= AnalyzeButton && command <= RepairPatchButton);
  operations_[command] = std::move(operation);
}

OperationResult WindowOperations::RunOperation(int command) {
  if (command == PauseStopButton) {
    if (dialogs_.ShowMessage(MessageKind::Confirmation, StopQuestionText) == PromptResult::Yes) {
      control_.Stop();
    }
    return {};
  }
  assert(command >= AnalyzeButton && command <= RepairPatchButton);
  if (command < AnalyzeButton || command > RepairPatchButton) return {};
  // A command with no operation registered has done nothing, so it ends as
  // a stop does: the map is wiped and the buttons come back.
  if (!operations_[command]) return control_.Run([this] { control_.Decline(); });
  return control_.Run(operations_[command]);
}

bool WindowOperations::DoExitProgram() {
  if (!control_.Busy()) return true;
  dialogs_.ShowMessage(MessageKind::Information,
                       "The current operation must\r\nbe stopped to exit.");
  return false;
}

void WindowOperations::SetBusy(bool on) {
  const ButtonState operations = on ? ButtonState::Disabled : ButtonState::Up;
  buttons_.DrawButton(SelectClearButton, operations);
  buttons_.DrawOperationButtons(operations);
  buttons_.DrawButton(PauseStopButton, on ? ButtonState::Up : ButtonState::Disabled);
}

void WindowOperations::OperationStarted() {
  SetBusy(true);
  progress_.SetOperationTitle("Initializing");
  progress_.ShowProgress(0, 1);
  grid_.DrawGrid();
  views_.ShowView(View::Analysis);
}

// An operation that did not go to its end leaves no map behind.
void WindowOperations::OperationEnded(bool completed) {
  if (!completed) {
    grid_.DrawGrid();
    if (views_.CurrentView() != View::PatchCodes) views_.ShowView(View::Information);
  }
  SetBusy(false);
}

void WindowOperations::StartProgress(const std::string& title, MapCells cells) {
  progress_.SetOperationTitle(title);
  progress_.ShowProgress(0, 1);
  if (cells == MapCells::Painted) grid_.SetGridClean(false);
  progress_.StartProgressTimer();
}

// Progress after a block shows when its timer is due, at most every
// 500 ms; the window handles its events there.
void WindowOperations::ShowProgress(int64_t done, int64_t total, ProgressPace pace) {
  if (pace == ProgressPace::Paced && !progress_.ProgressTimerDue()) return;
  progress_.ShowProgress(static_cast<double>(done), static_cast<double>(total));
}

void WindowOperations::ResetProgress() { progress_.ResetProgress(); }

void WindowOperations::PaintCell(uint16_t index, Color color) { grid_.PaintCell(index, color); }

void WindowOperations::ShowMessage(MessageKind kind, const std::string& text) {
  dialogs_.ShowMessage(kind, text);
}

PromptResult WindowOperations::Ask(Question, const std::string& text, DefaultAnswer answer) {
  return dialogs_.ShowMessage(MessageKind::Confirmation, text, answer);
}

std::string WindowOperations::ChooseFile(FileChoice choice) {
  if (choice == FileChoice::Patch) return selection_.ChooseFile("Patch", "Tamarack patch", "tkp");
  return selection_.ChooseFile("Reference", "AVI video", "avi");
}

// The codes are read as the Patch Codes view shows them: a wrapped line
// counts as several.
std::vector<std::string> WindowOperations::PatchCodeLines() {
  views_.ShowView(View::PatchCodes);
  return views_.DisplayedLines();
}

void WindowOperations::ShowPatchCodes(const std::vector<std::string>& codes, int64_t fileSize) {
  views_.ShowView(View::PatchCodes);
  views_.SetViewText(PatchCodesText(codes, fileSize));
}

void WindowOperations::Reached(Milestone milestone) {
  switch (milestone) {
    case Milestone::AnalysisStarted:
      views_.Store(View::PatchCodes).clear();
      break;
    case Milestone::WritingPatch:
      views_.ShowView(View::Analysis);
      break;
    case Milestone::BackupCreated:
      grid_.DrawGrid();
      views_.ShowView(View::Information);
      break;
    case Milestone::PatchCreated:
    case Milestone::PatchApplied:
      views_.ShowView(View::Information);
      break;
  }
}

}  // namespace tamarack
