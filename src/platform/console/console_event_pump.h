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
// interrupts, which run the Pause/Stop command from inside the running
// operation, as a click on the button would. A request to end the program
// runs it once, as a stop already confirmed.
class ConsoleEventPump : public EventPump {
 public:
  ConsoleEventPump(ConsoleOutput& output, InterruptSource& interrupts, ProgressDisplay display);

  // progressText gives the text that the progress bar shows; pauseStop
  // runs the Pause/Stop command for the request; stoppable tells whether a
  // stop can still change the running operation. Until it can, an
  // interrupt waits: it is not taken. Once the operation has made its last
  // step a stop would only turn a finished result into a stopped one.
  void Attach(std::function<std::string()> progressText, std::function<void(StopRequest)> pauseStop,
              std::function<bool()> stoppable);

  void ProcessPendingEvents() override;

 private:
  void ShowProgress();

  ConsoleOutput& output_;
  InterruptSource& interrupts_;
  ProgressDisplay display_;
  std::function<std::string()> progressText_;
  std::function<void(StopRequest)> pauseStop_;
  std::function<bool()> stoppable_;
  std::string lastText_;
  bool inPauseStop_ = false;
  bool terminationHandled_ = false;
};

}  // namespace tamarack
