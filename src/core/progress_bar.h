#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/surface.h"

namespace tamarack {

// The progress bar with its "<title> - <P>%" text, the 500 ms throttle of
// progress updates, and the one place where a running operation lets the
// window handle events.
class ProgressBar {
 public:
  ProgressBar(Surface& surface, EventPump& pump, Clock& clock);

  // Redraws the bar when its text changes; runs the event pump whenever
  // done < total. total must be positive.
  void ShowProgress(double done, double total);
  // Empties the title and shows an empty bar without text.
  void ResetProgress();
  void StartProgressTimer();
  // True, and re-armed, once the deadline has passed.
  bool ProgressTimerDue();

  std::string OperationTitle;
  std::string LastProgressText = " ";
  uint32_t NextProgressTime = 0;

 private:
  Surface& surface_;
  EventPump& pump_;
  Clock& clock_;
};

}  // namespace tamarack
