#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/operation_observer.h"

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

// The question of a front end whose user pauses the running operation.
extern const char StopQuestionText[];

// How an operation ended: ran to its end; a question answered No or a file
// dialog cancelled; stopped by the user; or ended by an error message.
enum class Outcome { Completed, Declined, Stopped, Failed };

// What Run reports of the operation it ran.
struct OperationResult {
  Outcome Result = Outcome::Declined;
  std::string Message;                    // the error message shown, when Failed
  std::vector<std::string> FilesWritten;  // complete outputs and repaired files
};

// The operation runner, the busy flag and the messages of the operations,
// which go to the front end's observer. The busy flag says both that an
// operation runs and that it may go on: whoever clears it (an error, a
// question answered No, a stop) asks the running operation to end at its
// next test.
class OperationControl {
 public:
  explicit OperationControl(OperationObserver& observer) : observer_(observer) {}
  OperationControl(const OperationControl&) = delete;
  OperationControl& operator=(const OperationControl&) = delete;

  OperationObserver& Observer() { return observer_; }

  // Information or an error, without the error's consequences.
  void ShowMessage(MessageKind kind, const std::string& text) { observer_.ShowMessage(kind, text); }
  // A confirmation whose Yes deletes or overwrites a file has No as its
  // default answer.
  PromptResult Ask(Question question, const std::string& text,
                   DefaultAnswer answer = DefaultAnswer::Yes) {
    return observer_.Ask(question, text, answer);
  }
  // Shows the error, clears the busy flag and resets the progress.
  void ShowError(const std::string& text);
  // The text of the last error shown through ShowError.
  const std::string& LastError() const { return lastError_; }
  // The four-line "The <role> file cannot be accessed because:" error.
  void ShowAccessError(FileRole role);
  // Ends the running operation with the message of an unexpected fault.
  void ShowFault(FileRole role, FileFault fault);

  // Runs the operation's steps with the busy flag set and returns how they
  // ended. Only one operation runs at a time: a request that comes while
  // one runs (nested inside its progress) would share and close the running
  // operation's open files, so it is ignored.
  OperationResult Run(const std::function<void()>& steps);
  // An operation tells the runner of each file it has completed.
  void NoteFileWritten(const std::string& path) { result_.FilesWritten.push_back(path); }

  // The busy flag: an operation runs and may go on.
  bool Busy() const { return busy_; }
  // A step the user declined (a No, a cancelled dialog) ends the operation
  // without a message.
  void Decline() { busy_ = false; }
  // A stop the user confirmed ends the running operation at its next test.
  void Stop();
  // Holds the flag for work outside the runner that uses the operations'
  // steps (reading the file's information at selection).
  void HoldBusy(bool on) { busy_ = on; }
  // Whether the last operation that Run ran went to its end (the busy flag
  // was still set when its steps returned).
  bool LastRunCompleted() const { return lastRunCompleted_; }

 private:
  OperationObserver& observer_;
  bool busy_ = false;
  bool lastRunCompleted_ = false;
  OperationResult result_;  // of the operation running
  std::string lastError_;
  bool stopConfirmed_ = false;
};

}  // namespace tamarack
