#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/console/answer_input.h"
#include "platform/console/console_output.h"
#include "platform/console/interrupts.h"
#include "platform/dialogs.h"

namespace tamarack {

// How the questions of a command are answered.
enum class AnswerPolicy { Ask, Yes, No };

// The modal messages of the program on the console. Information goes to
// standard output and errors to standard error, line by line. A question is
// answered by the command's policy; without one it is asked on a terminal
// ("[Y/n]", or "[y/N]" where No is the default answer that an empty line
// gives) and answered No elsewhere, saying so. The stop prompt of an
// interrupt follows its own rule (see StopPrompt). Open-file dialogs are
// answered with the paths given in advance, in order.
class ConsoleDialogs : public Dialogs {
 public:
  // interactive: standard input and standard error are a terminal.
  ConsoleDialogs(ConsoleOutput& output, AnswerInput& input, bool interactive);

  // policy answers every question of the command; hint names the options
  // that would have answered a question answered No for want of a terminal.
  void SetQuestionPolicy(AnswerPolicy policy, std::string hint);
  // A question whose text ends with the ending is answered by this policy,
  // and its hint named, instead of the command's.
  void SetQuestionPolicy(std::string ending, AnswerPolicy policy, std::string hint);
  // Whether information messages are printed (not when the command reports
  // in its own form instead).
  void SetInformationShown(bool shown) { informationShown_ = shown; }
  // The answer to the next open-file dialog.
  void AddFileAnswer(std::string path) { files_.push_back(std::move(path)); }

  PromptResult ShowMessage(MessageKind kind, const std::string& text,
                           DefaultAnswer answer = DefaultAnswer::Yes) override;
  std::string ChooseOpenFile(const OpenFileRequest& request) override;

  // While one exists, a question is the stop prompt of an interrupt. The
  // user's interrupt (StopRequest::Ask) has it asked on a terminal, where a
  // second interrupt while asking answers Yes; elsewhere it is answered Yes
  // at once, since the interrupt asked for it. A request to end the program
  // (StopRequest::Confirmed) answers it Yes without asking.
  class StopPrompt {
   public:
    StopPrompt(ConsoleDialogs& dialogs, StopRequest request)
        : dialogs_(dialogs), outer_(dialogs.stopRequest_) {
      dialogs_.stopRequest_ = request;
    }
    ~StopPrompt() { dialogs_.stopRequest_ = outer_; }
    StopPrompt(const StopPrompt&) = delete;
    StopPrompt& operator=(const StopPrompt&) = delete;

   private:
    ConsoleDialogs& dialogs_;
    std::optional<StopRequest> outer_;
  };

  // Whether an error message has been shown.
  bool ErrorShown() const { return errorShown_; }
  // Whether a request to end the program has answered a question: the stop
  // prompt with Yes, any other question with No.
  bool TerminationAnswered() const { return terminationAnswered_; }

 private:
  PromptResult Ask(const std::string& text, bool stopPrompt, DefaultAnswer defaultAnswer);
  PromptResult AnswerStopPrompt(const std::string& text, DefaultAnswer answer);
  PromptResult AnswerQuestion(const std::string& text, DefaultAnswer answer);

  ConsoleOutput& output_;
  AnswerInput& input_;
  bool interactive_;
  struct QuestionRule {
    std::string Ending;
    AnswerPolicy Policy;
    std::string Hint;
  };
  AnswerPolicy policy_ = AnswerPolicy::Ask;
  std::string hint_ = "--yes or --no";
  std::vector<QuestionRule> rules_;
  bool informationShown_ = true;
  std::deque<std::string> files_;
  std::optional<StopRequest> stopRequest_;
  bool errorShown_ = false;
  bool terminationAnswered_ = false;
};

// True for the answers that mean Yes: "y" or "yes" in any letter case, with
// blanks around them.
bool IsYesAnswer(const std::string& line);

}  // namespace tamarack
