#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/map_layout.h"
#include "platform/dialogs.h"

namespace tamarack {

// Whether a stretch of an operation paints map cells as it goes.
enum class MapCells { Painted, None };

// How a progress report is meant: after a block, at most every so often
// worth showing; or after a region of the patch operations, at once, so that
// a stop comes in between two regions.
enum class ProgressPace { Paced, Now };

// The questions asked about an operation, by identifier. Each goes along
// with its text, for a front end that shows it; a front end that answers
// without asking goes by the identifier alone. (Whether to stop is each
// front end's own question: the operation only learns of the stop.)
enum class Question {
  OverwriteBackup,   // a backup of the file exists already
  CreatePatchFile,   // the patch file will be so large: create it?
  OverwritePatch,    // a patch file of that name exists already
  ForeignReference,  // the reference does not look like a copy: repair anyway?
  DeleteReference,   // the reference is no longer needed: delete it?
  OverwriteOutput,   // a picture or mapfile that the console writes exists already
};

// The files an operation asks for when it was not given them.
enum class FileChoice { Reference, Patch };

// Points of an operation after which a front end may change what it shows.
enum class Milestone {
  AnalysisStarted,  // the last patch codes found are void
  WritingPatch,     // Create Patch begins to write the patch file
  BackupCreated,    // after the message that the backup exists
  PatchCreated,     // after the message that the patch exists
  PatchApplied,     // after the message that the patch repair is complete
};

// What a running operation tells the front end that runs it, and asks of
// it. An operation never sees a widget: the window's observer turns these
// calls into the progress bar, the map, dialogs and its event handling; the
// console's prints them. A front end stops the running operation from
// inside the progress calls (where the window handles its events) through
// OperationControl::Stop.
class OperationObserver : public CellSink {
 public:
  // The operation runner starts an operation, and ends it; completed tells
  // whether it went to its end.
  virtual void OperationStarted() = 0;
  virtual void OperationEnded(bool completed) = 0;

  // A stretch of work begins: the title at 0 %.
  virtual void StartProgress(const std::string& title, MapCells cells) = 0;
  // done of total (positive) is complete; done == total is the end.
  virtual void ShowProgress(int64_t done, int64_t total, ProgressPace pace) = 0;
  // The progress ends before its end (an error) or after it: nothing shows.
  virtual void ResetProgress() = 0;

  // A message of the operation: information or an error.
  virtual void ShowMessage(MessageKind kind, const std::string& text) = 0;
  // A question; the default answer is the one that Return gives.
  virtual PromptResult Ask(Question question, const std::string& text, DefaultAnswer answer) = 0;
  // The path of a file the operation needs and was not given; empty when
  // the user declined.
  virtual std::string ChooseFile(FileChoice choice) = 0;
  // The lines of the patch codes, where the user entered them, when the
  // operation was not given them.
  virtual std::vector<std::string> PatchCodeLines() = 0;
  // A completed analysis found these codes, or damage that no code names.
  virtual void ShowPatchCodes(const std::vector<std::string>& codes, int64_t fileSize) = 0;
  virtual void Reached(Milestone milestone) = 0;
};

}  // namespace tamarack
