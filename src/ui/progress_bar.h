#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "core/progress_text.h"
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
  void StartProgressTimer() { pacer_.Start(); }
  // True, and re-armed, once the deadline has passed.
  bool ProgressTimerDue() { return pacer_.Due(); }

  // The title shown before the percentage; empty shows no text.
  void SetOperationTitle(std::string title) { operationTitle_ = std::move(title); }
  const std::string& OperationTitle() const { return operationTitle_; }
  // The text the bar shows now.
  const std::string& LastProgressText() const { return lastProgressText_; }
  // Makes the next ShowProgress draw the bar whatever its text.
  void ForgetProgressText() { lastProgressText_ = " "; }
  uint32_t NextProgressTime() const { return pacer_.Next(); }

 private:
  std::string operationTitle_;
  std::string lastProgressText_ = " ";
  Surface& surface_;
  EventPump& pump_;
  ProgressPacer pacer_;
};

}  // namespace tamarack
