#pragma once

#include <string>

#include "app/cli_options.h"
#include "core/operation_control.h"
#include "core/operation_observer.h"
#include "core/progress_text.h"
#include "platform/clock.h"
#include "platform/console/console_output.h"
#include "platform/console/console_questions.h"
#include "platform/console/interrupts.h"

namespace tamarack {

// Where the progress of a running operation is shown.
enum class ProgressDisplay {
  Hidden,      // nowhere
  Lines,       // one line on standard error for each change
  StatusLine,  // the terminal's status line, rewritten in place
};

// The status line on a terminal, else lines with --progress, else nowhere.
ProgressDisplay DisplayFor(const CliRequest& request, const ConsoleOutput& output);

// The console's observer of an operation. Progress is printed as the
// window's bar reads, "<title> - <P>%", after a block at most every
// 500 ms, and nothing once an operation has reached its end. Messages are
// printed; questions are answered by the command's options, by their
// identifier. Interrupts are taken at each progress report while the
// operation can still be stopped: the user's interrupt asks the stop
// question, a request to end the program answers it Yes.
class ConsoleObserver : public OperationObserver {
 public:
  // progressPrefix stands in front of the progress text (the file count of
  // a run over several files).
  ConsoleObserver(const CliRequest& request, ConsoleOutput& output, ConsoleQuestions& questions,
                  InterruptSource& interrupts, Clock& clock, std::string progressPrefix);

  // The runner whose operations a stop ends.
  void Attach(OperationControl& control) { control_ = &control; }

  void OperationStarted() override;
  void OperationEnded(bool) override {}
  void StartProgress(const std::string& title, MapCells cells) override;
  void ShowProgress(int64_t done, int64_t total, ProgressPace pace) override;
  void ResetProgress() override;
  void PaintCell(uint16_t, Color) override {}
  void ShowMessage(MessageKind kind, const std::string& text) override;
  PromptResult Ask(Question question, const std::string& text, DefaultAnswer answer) override;
  std::string ChooseFile(FileChoice choice) override;
  std::vector<std::string> PatchCodeLines() override { return {}; }
  void ShowPatchCodes(const std::vector<std::string>&, int64_t) override {}
  void Reached(Milestone) override {}

 private:
  // The progress at done of total: shown, then an interrupt taken.
  void Report(double done, double total);
  void Print(const std::string& text);
  void TakeInterrupt();

  const CliRequest& request_;
  ConsoleOutput& output_;
  ConsoleQuestions& questions_;
  InterruptSource& interrupts_;
  ProgressPacer pacer_;
  ProgressDisplay display_;
  std::string prefix_;
  OperationControl* control_ = nullptr;
  std::string title_;
  std::string lastText_;
  bool inStop_ = false;
  bool terminationHandled_ = false;
};

}  // namespace tamarack
