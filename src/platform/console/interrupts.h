#pragma once

namespace tamarack {

// What an interrupt asks of the running operation.
enum class StopRequest {
  Ask,        // the user's interrupt: pause and ask whether to stop
  Confirmed,  // a request to end the program: stop as if the user said Yes
};

// Interrupts asked for by the user (Ctrl-C on the console) and requests to
// end the program (a termination or a hang-up).
class InterruptSource {
 public:
  virtual ~InterruptSource() = default;
  // True when an interrupt has come since the last call; taking it clears it.
  virtual bool TakeInterrupt() = 0;
  // True once the program has been asked to end; it stays asked.
  virtual bool TerminationRequested() = 0;
  // True while an interrupt or a request to end waits, without taking it.
  // A source that cannot tell says false: its interrupts then wait for the
  // next paced progress update.
  virtual bool Pending() { return false; }
};

// SIGINT as the interrupt, SIGTERM and SIGHUP as the request to end. The
// handlers do nothing but set a flag; the program reads it at its own pace,
// in the event pump and while it waits for an answer, and decides there
// what the signal means. So a signal never ends the program between two
// steps of an operation: the operation stops at its next test as the user's
// stop does, and removes what it had begun to write.
class SignalInterrupts : public InterruptSource {
 public:
  // Installs the handlers for the whole process. System calls that a signal
  // interrupts are restarted, except the waits that are never restarted
  // (poll), which is what lets a wait for an answer notice it. SIGPIPE is
  // ignored as well: a reader of the output that goes away must not kill a
  // repair or a copy halfway; the write fails, and that failure is reported.
  static void Install();
  bool TakeInterrupt() override;
  bool TerminationRequested() override;
  bool Pending() override;
};

}  // namespace tamarack
