#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/console/interrupts.h"

namespace tamarack {

// A clock that runs ahead whenever an interrupt waits. The operations show
// their progress, and so run the event pump that answers interrupts, at most
// every 500 ms by this clock: running ahead makes the next progress test,
// after the current block, find its timer due, so that a Ctrl-C or a request
// to end takes effect at the end of the block, as a stop from the window
// does. The clock only ever moves forward.
class InterruptibleClock : public Clock {
 public:
  InterruptibleClock(Clock& inner, InterruptSource& interrupts)
      : inner_(inner), interrupts_(interrupts) {}

  uint32_t Milliseconds() override {
    if (interrupts_.Pending()) ahead_ += 1000;
    return inner_.Milliseconds() + ahead_;
  }

 private:
  Clock& inner_;
  InterruptSource& interrupts_;
  uint32_t ahead_ = 0;
};

}  // namespace tamarack
