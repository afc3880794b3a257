#pragma once

#include <string>

#include "platform/console/interrupts.h"

namespace tamarack {

enum class InputEvent {
  Line,
  End,
  Interrupted,  // the user's interrupt
  Terminated,   // the program has been asked to end
};

struct InputLine {
  InputEvent Event = InputEvent::End;
  std::string Text;  // the line without its line end, for InputEvent::Line
};

// Where the answers to questions come from.
class AnswerInput {
 public:
  virtual ~AnswerInput() = default;
  // Waits for the next line typed by the user. An interrupt while waiting
  // ends the wait with InputEvent::Interrupted; a request to end the program,
  // also one that came before the wait, with InputEvent::Terminated.
  virtual InputLine ReadLine() = 0;
};

// Lines from a file descriptor (standard input), waited for in short polls so
// that an interrupt is seen also when it came just before the wait.
class DescriptorInput : public AnswerInput {
 public:
  DescriptorInput(int fd, InterruptSource& interrupts) : fd_(fd), interrupts_(interrupts) {}
  InputLine ReadLine() override;

 private:
  int fd_;
  InterruptSource& interrupts_;
  std::string pending_;  // bytes read after the last line end
  bool ended_ = false;
};

}  // namespace tamarack
