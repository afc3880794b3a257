#include "platform/console/console_questions.h"

#include <cctype>

#include "platform/text_lines.h"

namespace tamarack {
namespace {

// The text with its last line followed by the answer hint, for a prompt that
// waits on the same line. The capital letter is the answer that an empty
// line gives.
std::string QuestionPrompt(const std::string& text, DefaultAnswer answer) {
  std::string prompt;
  for (const std::string& line : SplitLines(text)) {
    if (!prompt.empty()) prompt += '\n';
    prompt += line;
  }
  return prompt + (answer == DefaultAnswer::Yes ? " [Y/n] " : " [y/N] ");
}

bool IsBlank(const std::string& line) {
  for (const char c : line) {
    if (!std::isspace(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

bool IsYesAnswer(const std::string& line) {
  size_t first = 0;
  size_t last = line.size();
  while (first < last && std::isspace(static_cast<unsigned char>(line[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(line[last - 1]))) --last;
  std::string word;
  for (size_t i = first; i < last; ++i) {
    word += static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
  }
  return word == "y" || word == "yes";
}

ConsoleQuestions::ConsoleQuestions(ConsoleOutput& output, AnswerInput& input, bool interactive)
    : output_(output), input_(input), interactive_(interactive) {}

void ConsoleQuestions::ShowMessage(MessageKind kind, const std::string& text) {
  if (kind == MessageKind::Error) {
    output_.PrintErr(text);
  } else if (informationShown_) {
    output_.PrintOut(text);
  }
}

PromptResult ConsoleQuestions::AskStop(const std::string& text, StopRequest request) {
  if (request == StopRequest::Confirmed) {
    terminationAnswered_ = true;
    output_.PrintErr(text);
    output_.PrintErr("tamarack-cli: asked to end: answered Yes");
    return PromptResult::Yes;
  }
  if (interactive_) return Prompt(text, true, DefaultAnswer::Yes);
  output_.PrintErr(text);
  output_.PrintErr("tamarack-cli: interrupted: answered Yes");
  return PromptResult::Yes;
}

PromptResult ConsoleQuestions::Ask(const std::string& text, DefaultAnswer answer,
                                   AnswerPolicy policy, const std::string& hint) {
  if (policy == AnswerPolicy::Yes) return PromptResult::Yes;
  if (policy == AnswerPolicy::No) return PromptResult::No;
  if (interactive_) return Prompt(text, false, answer);
  output_.PrintErr(text);
  output_.PrintErr("tamarack-cli: no terminal to ask on: answered No (answer with " + hint + ")");
  return PromptResult::No;
}

// An empty line gives the question's default answer. An interrupt while
// waiting answers the stop question with Yes (the user insists on stopping)
// and any other question with No (the user backs out). A request to end the
// program answers in the same way.
PromptResult ConsoleQuestions::Prompt(const std::string& text, bool stopPrompt,
                                      DefaultAnswer defaultAnswer) {
  output_.Prompt(QuestionPrompt(text, defaultAnswer));
  const InputLine answer = input_.ReadLine();
  switch (answer.Event) {
    case InputEvent::Line:
      if (IsBlank(answer.Text)) {
        return defaultAnswer == DefaultAnswer::Yes ? PromptResult::Yes : PromptResult::No;
      }
      return IsYesAnswer(answer.Text) ? PromptResult::Yes : PromptResult::No;
    case InputEvent::Terminated:
      terminationAnswered_ = true;
      [[fallthrough]];
    case InputEvent::Interrupted:
      output_.Prompt(stopPrompt ? "Yes\n" : "No\n");
      return stopPrompt ? PromptResult::Yes : PromptResult::No;
    case InputEvent::End:
      output_.Prompt("\n");
      return PromptResult::No;
  }
  return PromptResult::No;
}

}  // namespace tamarack
