#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/operation_control.h"
#include "core/operation_observer.h"
#include "platform/dialogs.h"
#include "ui/block_grid.h"
#include "ui/buttons.h"
#include "ui/file_selection.h"
#include "ui/progress_bar.h"
#include "ui/views.h"

namespace tamarack {

// The window's side of the operations: the commands of the five operation
// buttons and of Pause/Stop, and the observer that shows a running
// operation as the window does: the buttons of the busy window, the
// progress bar with its 500 ms pace and its event handling, the map, the
// dialogs and the views.
class WindowOperations : public OperationObserver {
 public:
  // The control and the selection are only used once an operation runs.
  WindowOperations(Dialogs& dialogs, Buttons& buttons, ProgressBar& progress, BlockGrid& grid,
                   Views& views, OperationControl& control, FileSelection& selection);

  // The steps that RunOperation runs for command 2 to 6.
  void SetOperation(int command, std::function<void()> operation);
  // Commands 2 to 6 run their operation and return how it ended; 14 asks
  // whether to stop (its result tells nothing).
  OperationResult RunOperation(int command);
  // The close handler: true lets the close go ahead; while busy it refuses
  // with a message.
  bool DoExitProgram();
  // Draws the buttons of a busy window, or of an idle one.
  void SetBusy(bool on);

  void OperationStarted() override;
  void OperationEnded(bool completed) override;
  void StartProgress(const std::string& title, MapCells cells) override;
  void ShowProgress(int64_t done, int64_t total, ProgressPace pace) override;
  void ResetProgress() override;
  void PaintCell(uint16_t index, Color color) override;
  void ShowMessage(MessageKind kind, const std::string& text) override;
  PromptResult Ask(Question question, const std::string& text, DefaultAnswer answer) override;
  std::string ChooseFile(FileChoice choice) override;
  std::vector<std::string> PatchCodeLines() override;
  void ShowPatchCodes(const std::vector<std::string>& codes, int64_t fileSize) override;
  void Reached(Milestone milestone) override;

 private:
  Dialogs& dialogs_;
  Buttons& buttons_;
  ProgressBar& progress_;
  BlockGrid& grid_;
  Views& views_;
  OperationControl& control_;
  FileSelection& selection_;
  std::array<std::function<void()>, 7> operations_;
};

}  // namespace tamarack
