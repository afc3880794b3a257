#pragma once

namespace tamarack {

// Interrupts asked for by the user (Ctrl-C on the console).
class InterruptSource {
 public:
  virtual ~InterruptSource() = default;
  // True when an interrupt has come since the last call; taking it clears it.
  virtual bool TakeInterrupt() = 0;
};

// SIGINT as the interrupt. The handler does nothing but set a flag; the
// program reads it at its own pace, in the event pump and while it waits for
// an answer, and decides there what the interrupt means.
class SigintInterrupts : public InterruptSource {
 public:
  // Installs the handler for the whole process. System calls that the
  // signal interrupts are restarted, except the waits that are never
  // restarted (poll), which is what lets a wait for an answer notice it.
  // SIGPIPE is ignored as well: a reader of the output that goes away must
  // not kill a repair or a copy halfway; the output is merely lost.
  static void Install();
  bool TakeInterrupt() override;
};

}  // namespace tamarack
