#include "core/operation_control.h"

#include <cassert>

namespace tamarack {

const char* RoleName(FileRole role) {
  switch (role) {
    case FileRole::Selected:
      return "Selected";
    case FileRole::Reference:
      return "Reference";
    case FileRole::Backup:
      return "Backup";
    case FileRole::Patch:
      return "Patch";
  }
  return "";
}

std::string FaultMessage(FileRole role, FileFault fault) {
  const std::string file = std::string("The ") + RoleName(role) + " file ";
  switch (fault) {
    case FileFault::Read:
      return file + "could not be read.";
    case FileFault::Write:
      return file + "could not be written to.";
    case FileFault::Seek:
      return file + "could not be positioned.";
    case FileFault::Close:
      return file + "could not be closed.";
    case FileFault::SizeChanged:
      return file + "changed size while it was being worked on.";
    case FileFault::NameTooLong:
      return file + "cannot be created: its name is too long.";
  }
  return file + "could not be read.";
}

OperationControl::OperationControl(Dialogs& dialogs, Buttons& buttons, ProgressBar& progress,
                                   BlockGrid& grid, Views& views)
    : dialogs_(dialogs), buttons_(buttons), progress_(progress), grid_(grid), views_(views) {}

PromptResult OperationControl::ShowPrompt(MessageKind kind, const std::string& text,
                                          DefaultAnswer answer) {
  return dialogs_.ShowMessage(kind, text, answer);
}

void OperationControl::ShowError(const std::string& text) {
  if (busy_ && result_.Message.empty()) result_.Message = text;
  lastError_ = text;
  ShowPrompt(MessageKind::Error, text);
  busy_ = false;
  progress_.ResetProgress();
}

std::string AccessErrorText(FileRole role) {
  return std::string("The ") + RoleName(role) + " file cannot be accessed because:\r\n" +
         " - Another application may be using this file, or\r\n" +
         " - The file may be read-only, or\r\n" +
         " - The file may have been moved, renamed or deleted since being selected";
}

void OperationControl::ShowAccessError(FileRole role) { ShowError(AccessErrorText(role)); }

void OperationControl::ShowFault(FileRole role, FileFault fault) {
  ShowError(FaultMessage(role, fault));
}

void OperationControl::SetBusy(bool on) {
  busy_ = on;
  const ButtonState operations = on ? ButtonState::Disabled : ButtonState::Up;
  buttons_.DrawButton(SelectClearButton, operations);
  buttons_.DrawOperationButtons(operations);
  buttons_.DrawButton(PauseStopButton, on ? ButtonState::Up : ButtonState::Disabled);
}

void OperationControl::SetOperation(int command, std::function<void()> operation) {
  assert(command >= AnalyzeButton && command <= RepairPatchButton);
  operations_[command] = std::move(operation);
}

OperationResult OperationControl::RunOperation(int command) {
  if (command == PauseStopButton) {
    const PromptResult answer = ShowPrompt(MessageKind::Confirmation,
                                           "Current operation paused.\r\nStop current operation?");
    if (answer == PromptResult::Yes && busy_) {
      busy_ = false;
      stopConfirmed_ = true;
    }
    return {};
  }
  assert(command >= AnalyzeButton && command <= RepairPatchButton);
  if (command < AnalyzeButton || command > RepairPatchButton) return {};
  // Only one operation runs at a time. A request that reaches here while one
  // runs (nested inside its event pump) would share and close the running
  // operation's open files, so it is ignored.
  if (busy_) return {};
  result_ = OperationResult();
  stopConfirmed_ = false;
  SetBusy(true);
  progress_.SetOperationTitle("Initializing");
  progress_.ShowProgress(0, 1);
  grid_.DrawGrid();
  views_.ShowView(View::Analysis);
  // A stop confirmed while "Initializing" showed leaves the operation
  // untouched: none of its steps runs. A command with no operation
  // registered has done nothing, so it ends as a stop does: the map is wiped
  // and the buttons come back.
  if (busy_ && operations_[command]) {
    operations_[command]();
  } else {
    busy_ = false;
  }
  progress_.ResetProgress();
  lastRunCompleted_ = busy_;
  if (!busy_) {
    grid_.DrawGrid();
    if (views_.CurrentView() != View::PatchCodes) views_.ShowView(View::Information);
  }
  SetBusy(false);
  OperationResult result = std::move(result_);
  if (lastRunCompleted_) {
    result.Result = Outcome::Completed;
  } else if (!result.Message.empty()) {
    result.Result = Outcome::Failed;
  } else {
    result.Result = stopConfirmed_ ? Outcome::Stopped : Outcome::Declined;
  }
  return result;
}

bool OperationControl::DoExitProgram() {
  if (!busy_) return true;
  ShowPrompt(MessageKind::Information, "The current operation must\r\nbe stopped to exit.");
  return false;
}

}  // namespace tamarack
