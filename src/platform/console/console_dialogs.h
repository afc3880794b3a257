#pragma once

#include <deque>
#include <string>

#include "platform/console/answer_input.h"
#include "platform/console/console_output.h"
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
  // Whether information messages are printed (not when the command reports
  // in its own form instead).
  void SetInformationShown(bool shown) { informationShown_ = shown; }
  // The answer to the next open-file dialog.
  void AddFileAnswer(std::string path) { files_.push_back(std::move(path)); }

  PromptResult ShowMessage(MessageKind kind, const std::string& text,
                           DefaultAnswer answer = DefaultAnswer::Yes) override;
  std::string ChooseOpenFile(const OpenFileRequest& request) override;

  // While one exists, a question is the stop prompt of an interrupt: on a
  // terminal it is asked, and a second interrupt while asking answers Yes;
  // elsewhere it is answered Yes at once, since the interrupt asked for it.
  class StopPrompt {
   public:
    explicit StopPrompt(ConsoleDialogs& dialogs) : dialogs_(dialogs) { ++dialogs_.stopPrompts_; }
    ~StopPrompt() { --dialogs_.stopPrompts_; }
    StopPrompt(const StopPrompt&) = delete;
    StopPrompt& operator=(const StopPrompt&) = delete;

   private:
    ConsoleDialogs& dialogs_;
  };

  // Whether an error message has been shown.
  bool ErrorShown() const { return errorShown_; }

 private:
  PromptResult Ask(const std::string& text, bool stopPrompt, DefaultAnswer defaultAnswer);
  PromptResult AnswerStopPrompt(const std::string& text, DefaultAnswer answer);
  PromptResult AnswerQuestion(const std::string& text, DefaultAnswer answer);

  ConsoleOutput& output_;
  AnswerInput& input_;
  bool interactive_;
  AnswerPolicy policy_ = AnswerPolicy::Ask;
  std::string hint_ = "--yes or --no";
  bool informationShown_ = true;
  std::deque<std::string> files_;
  int stopPrompts_ = 0;
  bool errorShown_ = false;
};

// True for the answers that mean Yes: "y" or "yes" in any letter case, with
// blanks around them.
bool IsYesAnswer(const std::string& line);

}  // namespace tamarack
