#include "app/console_observer.h"

namespace tamarack {

ProgressDisplay DisplayFor(const CliRequest& request, const ConsoleOutput& output) {
  if (output.ErrIsTerminal()) return ProgressDisplay::StatusLine;
  return request.Progress ? ProgressDisplay::Lines : ProgressDisplay::Hidden;
}

ConsoleObserver::ConsoleObserver(const CliRequest& request, ConsoleOutput& output,
                                 ConsoleQuestions& questions, InterruptSource& interrupts,
                                 Clock& clock, std::string progressPrefix)
    : request_(request),
      output_(output),
      questions_(questions),
      interrupts_(interrupts),
      pacer_(clock),
      display_(DisplayFor(request, output)),
      prefix_(std::move(progressPrefix)) {}

void ConsoleObserver::OperationStarted() {
  title_ = "Initializing";
  Report(0, 1);
}

void ConsoleObserver::StartProgress(const std::string& title, MapCells) {
  title_ = title;
  Report(0, 1);
  pacer_.Start();
}

// An interrupt that waits makes the progress due, so that it takes effect
// at the end of the block, as a stop from the window does.
void ConsoleObserver::ShowProgress(int64_t done, int64_t total, ProgressPace pace) {
  if (pace == ProgressPace::Paced && !interrupts_.Pending() && !pacer_.Due()) return;
  Report(static_cast<double>(done), static_cast<double>(total));
}

void ConsoleObserver::ResetProgress() {
  title_.clear();
  output_.ClearStatus();
  lastText_.clear();
}

// The end of the work shows nothing more: what follows is its report.
void ConsoleObserver::Report(double done, double total) {
  if (done >= total) return;
  Print(prefix_ + ProgressText(title_, done, total));
  TakeInterrupt();
}

void ConsoleObserver::Print(const std::string& text) {
  if (display_ == ProgressDisplay::Lines) {
    if (text != lastText_) output_.PrintErr(text);
  } else if (display_ == ProgressDisplay::StatusLine &&
             (text != lastText_ || !output_.StatusShown())) {
    // Shown again after a message has cleared it, though unchanged.
    output_.ShowStatus(text);
  }
  lastText_ = text;
}

// The stop question is asked once at a time; a request to end the program
// answers it once.
void ConsoleObserver::TakeInterrupt() {
  if (inStop_ || control_ == nullptr || !control_->Busy()) return;
  StopRequest request = StopRequest::Ask;
  if (interrupts_.TerminationRequested() && !terminationHandled_) {
    terminationHandled_ = true;
    request = StopRequest::Confirmed;
  } else if (!interrupts_.TakeInterrupt()) {
    return;
  }
  inStop_ = true;
  output_.ClearStatus();
  if (questions_.AskStop(StopQuestionText, request) == PromptResult::Yes) control_->Stop();
  inStop_ = false;
}

void ConsoleObserver::ShowMessage(MessageKind kind, const std::string& text) {
  questions_.ShowMessage(kind, text);
}

PromptResult ConsoleObserver::Ask(Question question, const std::string& text,
                                  DefaultAnswer answer) {
  if (question == Question::ForeignReference) {
    return questions_.Ask(text, answer, request_.RepairAnyway, "--repair-anyway");
  }
  return questions_.Ask(text, answer, request_.Answers, request_.AnswerHint);
}

// The command line gives every file an operation needs: a question for one
// is a fault of the front end, said as such.
std::string ConsoleObserver::ChooseFile(FileChoice choice) {
  output_.PrintErr(std::string("tamarack-cli: no file given for \"Select ") +
                   (choice == FileChoice::Patch ? "Patch" : "Reference") + " File\"");
  return {};
}

}  // namespace tamarack
