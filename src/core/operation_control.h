#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/block_grid.h"
#include "core/progress_bar.h"
#include "platform/dialogs.h"
#include "ui/buttons.h"
#include "ui/views.h"

namespace tamarack {

// The roles in which the program opens files, as the messages name them.
enum class FileRole { Selected, Reference, Backup, Patch };
const char* RoleName(FileRole role);

// Input/output faults that have no message of the design's own.
enum class FileFault { Read, Write, Seek, Close, SizeChanged, NameTooLong };

// The one-line message for an unexpected fault, e.g.
// "The Selected file could not be read."
std::string FaultMessage(FileRole role, FileFault fault);

// The four-line "The <role> file cannot be accessed because:" message.
std::string AccessErrorText(FileRole role);

// How an operation ended: ran to its end; a question answered No or a file
// dialog cancelled; stopped by the user; or ended by an error message.
enum class Outcome { Completed, Declined, Stopped, Failed };

// What RunOperation reports of the operation it ran.
struct OperationResult {
  Outcome Result = Outcome::Declined;
  std::string Message;                    // the error message shown, when Failed
  std::vector<std::string> FilesWritten;  // complete outputs and repaired files
};

// The busy flag, the prompts and the operation runner. The busy flag says
// both that an operation runs and that it may go on: whoever clears it asks
// the running operation to end at its next test.
class OperationControl {
 public:
  OperationControl(Dialogs& dialogs, Buttons& buttons, ProgressBar& progress, BlockGrid& grid,
                   Views& views);

  // A confirmation whose Yes deletes or overwrites a file has No as its
  // default answer.
  PromptResult ShowPrompt(MessageKind kind, const std::string& text,
                          DefaultAnswer answer = DefaultAnswer::Yes);
  // Shows the error, clears the busy flag and resets the progress bar.
  void ShowError(const std::string& text);
  // The text of the last error shown through ShowError.
  const std::string& LastError() const { return lastError_; }
  // The four-line "The <role> file cannot be accessed because:" error.
  void ShowAccessError(FileRole role);
  // Ends the running operation with the message of an unexpected fault.
  void ShowFault(FileRole role, FileFault fault);

  void SetBusy(bool on);

  // The procedure that RunOperation runs for command 2 to 6.
  void SetOperation(int command, std::function<void()> operation);
  // Commands 2 to 6 run their operation and return how it ended; 14 asks
  // whether to stop (its result tells nothing).
  OperationResult RunOperation(int command);
  // An operation tells the runner of each file it has completed.
  void NoteFileWritten(const std::string& path) { result_.FilesWritten.push_back(path); }
  // The close handler: true lets the close go ahead; while busy it refuses
  // with a message.
  bool DoExitProgram();

  // The busy flag: an operation runs and may go on.
  bool Busy() const { return busy_; }
  // A step the user declined (a No, a cancelled dialog) ends the operation
  // without a message.
  void Decline() { busy_ = false; }
  // Holds the flag for work outside the runner that uses the operations'
  // steps (reading the file's information at selection), without the
  // buttons that SetBusy draws.
  void HoldBusy(bool on) { busy_ = on; }
  // Whether the last operation that RunOperation ran went to its end (the
  // busy flag was still set when it returned).
  bool LastRunCompleted() const { return lastRunCompleted_; }

 private:
  Dialogs& dialogs_;
  Buttons& buttons_;
  ProgressBar& progress_;
  BlockGrid& grid_;
  Views& views_;
  std::array<std::function<void()>, 7> operations_;
  bool busy_ = false;
  bool lastRunCompleted_ = false;
  OperationResult result_;  // of the operation running
  std::string lastError_;
  bool stopConfirmed_ = false;
};

}  // namespace tamarack
