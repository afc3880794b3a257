#pragma once

#include <string>

#include "platform/console/answer_input.h"
#include "platform/console/console_output.h"
#include "platform/console/interrupts.h"
#include "platform/dialogs.h"

namespace tamarack {

// How a question is answered.
enum class AnswerPolicy { Ask, Yes, No };

// The messages and questions of the program on the console. Information
// goes to standard output and errors to standard error, line by line. A
// question is answered by its policy; without one it is asked on a terminal
// ("[Y/n]", or "[y/N]" where No is the default answer that an empty line
// gives) and answered No elsewhere, saying so.
class ConsoleQuestions {
 public:
  // interactive: standard input and standard error are a terminal.
  ConsoleQuestions(ConsoleOutput& output, AnswerInput& input, bool interactive);

  // Whether information messages are printed (not when the command reports
  // in its own form instead).
  void SetInformationShown(bool shown) { informationShown_ = shown; }

  void ShowMessage(MessageKind kind, const std::string& text);
  // hint names the options that would have answered a question answered No
  // for want of a terminal.
  PromptResult Ask(const std::string& text, DefaultAnswer answer, AnswerPolicy policy,
                   const std::string& hint);
  // The stop question of an interrupt. The user's interrupt
  // (StopRequest::Ask) has it asked on a terminal, where a second interrupt
  // while asking answers Yes; elsewhere it is answered Yes at once, since
  // the interrupt asked for it. A request to end the program
  // (StopRequest::Confirmed) answers it Yes without asking.
  PromptResult AskStop(const std::string& text, StopRequest request);

  // Whether a request to end the program has answered a question: the stop
  // question with Yes, any other question with No.
  bool TerminationAnswered() const { return terminationAnswered_; }

 private:
  PromptResult Prompt(const std::string& text, bool stopQuestion, DefaultAnswer defaultAnswer);

  ConsoleOutput& output_;
  AnswerInput& input_;
  bool interactive_;
  bool informationShown_ = true;
  bool terminationAnswered_ = false;
};

// True for the answers that mean Yes: "y" or "yes" in any letter case, with
// blanks around them.
bool IsYesAnswer(const std::string& line);

}  // namespace tamarack
