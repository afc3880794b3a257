#include "platform/console/console_event_pump.h"

namespace tamarack {
namespace {

bool IsBlank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

ConsoleEventPump::ConsoleEventPump(ConsoleOutput& output, InterruptSource& interrupts,
                                   ProgressDisplay display)
    : output_(output), interrupts_(interrupts), display_(display) {}

void ConsoleEventPump::Attach(std::function<std::string()> progressText,
                              std::function<void(StopRequest)> pauseStop,
                              std::function<bool()> stoppable) {
  progressText_ = std::move(progressText);
  pauseStop_ = std::move(pauseStop);
  stoppable_ = std::move(stoppable);
}

void ConsoleEventPump::ProcessPendingEvents() {
  ShowProgress();
  // The stop prompt shows no progress, so it never pumps; the guard keeps
  // an interrupt from opening a second prompt all the same.
  if (inPauseStop_ || !pauseStop_ || !stoppable_()) return;
  StopRequest request = StopRequest::Ask;
  if (interrupts_.TerminationRequested() && !terminationHandled_) {
    terminationHandled_ = true;
    request = StopRequest::Confirmed;
  } else if (!interrupts_.TakeInterrupt()) {
    return;
  }
  inPauseStop_ = true;
  output_.ClearStatus();
  pauseStop_(request);
  inPauseStop_ = false;
}

void ConsoleEventPump::ShowProgress() {
  if (!progressText_ || display_ == ProgressDisplay::Hidden) return;
  const std::string text = progressText_();
  if (IsBlank(text)) {
    output_.ClearStatus();
    lastText_.clear();
    return;
  }
  if (display_ == ProgressDisplay::Lines) {
    if (text != lastText_) output_.PrintErr(text);
  } else if (text != lastText_ || !output_.StatusShown()) {
    // Shown again after a message has cleared it, though unchanged.
    output_.ShowStatus(text);
  }
  lastText_ = text;
}

}  // namespace tamarack
