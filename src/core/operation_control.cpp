#include "core/operation_control.h"

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

std::string AccessErrorText(FileRole role) {
  return std::string("The ") + RoleName(role) + " file cannot be accessed because:\r\n" +
         " - Another application may be using this file, or\r\n" +
         " - The file may be read-only, or\r\n" +
         " - The file may have been moved, renamed or deleted since being selected";
}

const char StopQuestionText[] = "Current operation paused.\r\nStop current operation?";

void OperationControl::ShowError(const std::string& text) {
  if (busy_ && result_.Message.empty()) result_.Message = text;
  lastError_ = text;
  observer_.ShowMessage(MessageKind::Error, text);
  busy_ = false;
  observer_.ResetProgress();
}

void OperationControl::ShowAccessError(FileRole role) { ShowError(AccessErrorText(role)); }

void OperationControl::ShowFault(FileRole role, FileFault fault) {
  ShowError(FaultMessage(role, fault));
}

void OperationControl::Stop() {
  if (!busy_) return;
  busy_ = false;
  stopConfirmed_ = true;
}

OperationResult OperationControl::Run(const std::function<void()>& steps) {
  if (busy_) return {};
  result_ = OperationResult();
  stopConfirmed_ = false;
  busy_ = true;
  observer_.OperationStarted();
  // A stop confirmed while the operation started leaves it untouched: none
  // of its steps runs.
  if (busy_) steps();
  observer_.ResetProgress();
  lastRunCompleted_ = busy_;
  busy_ = false;
  observer_.OperationEnded(lastRunCompleted_);
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

}  // namespace tamarack
