#pragma once

#include <functional>
#include <string>

#include "platform/console/console_output.h"
#include "platform/console/interrupts.h"
#include "platform/event_pump.h"

namespace tamarack {

// Where the progress text of a running operation is shown.
enum class ProgressDisplay {
  Hidden,      // nowhere
  Lines,       // one line on standard error for each change
  StatusLine,  // the terminal's status line, rewritten in place
};

// The console's events: the progress text, read at every pump, and the
// user's interrupt, which runs the Pause/Stop command from inside the
// running operation, as a click on the button would.
class ConsoleEventPump : public EventPump {
 public:
  ConsoleEventPump(ConsoleOutput& output, InterruptSource& interrupts, ProgressDisplay display);

  // progressText gives the text that the progress bar shows; pauseStop
  // runs the Pause/Stop command.
  void Attach(std::function<std::string()> progressText, std::function<void()> pauseStop);

  void ProcessPendingEvents() override;

 private:
  void ShowProgress();

  ConsoleOutput& output_;
  InterruptSource& interrupts_;
  ProgressDisplay display_;
  std::function<std::string()> progressText_;
  std::function<void()> pauseStop_;
  std::string lastText_;
  bool inPauseStop_ = false;
};

}  // namespace tamarack
