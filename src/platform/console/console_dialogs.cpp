#include "platform/console/console_dialogs.h"

#include <cctype>

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

ConsoleDialogs::ConsoleDialogs(ConsoleOutput& output, AnswerInput& input, bool interactive)
    : output_(output), input_(input), interactive_(interactive) {}

void ConsoleDialogs::SetQuestionPolicy(AnswerPolicy policy, std::string hint) {
  policy_ = policy;
  hint_ = std::move(hint);
}

void ConsoleDialogs::SetQuestionPolicy(std::string ending, AnswerPolicy policy, std::string hint) {
  rules_.push_back({std::move(ending), policy, std::move(hint)});
}

PromptResult ConsoleDialogs::ShowMessage(MessageKind kind, const std::string& text,
                                         DefaultAnswer answer) {
  switch (kind) {
    case MessageKind::Error:
      errorShown_ = true;
      output_.PrintErr(text);
      return PromptResult::Ok;
    case MessageKind::Information:
      if (informationShown_) output_.PrintOut(text);
      return PromptResult::Ok;
    case MessageKind::Confirmation:
      return stopRequest_ ? AnswerStopPrompt(text, answer) : AnswerQuestion(text, answer);
  }
  return PromptResult::Ok;
}

std::string ConsoleDialogs::ChooseOpenFile(const OpenFileRequest& request) {
  if (files_.empty()) {
    output_.PrintErr("tamarack-cli: no file given for \"" + request.Title + "\"");
    return {};
  }
  std::string path = std::move(files_.front());
  files_.pop_front();
  return path;
}

PromptResult ConsoleDialogs::AnswerStopPrompt(const std::string& text, DefaultAnswer answer) {
  if (*stopRequest_ == StopRequest::Confirmed) {
    terminationAnswered_ = true;
    output_.PrintErr(text);
    output_.PrintErr("tamarack-cli: asked to end: answered Yes");
    return PromptResult::Yes;
  }
  if (interactive_) return Ask(text, true, answer);
  output_.PrintErr(text);
  output_.PrintErr("tamarack-cli: interrupted: answered Yes");
  return PromptResult::Yes;
}

PromptResult ConsoleDialogs::AnswerQuestion(const std::string& text, DefaultAnswer answer) {
  AnswerPolicy policy = policy_;
  const std::string* hint = &hint_;
  for (const QuestionRule& rule : rules_) {
    if (text.ends_with(rule.Ending)) {
      policy = rule.Policy;
      hint = &rule.Hint;
      break;
    }
  }
  if (policy == AnswerPolicy::Yes) return PromptResult::Yes;
  if (policy == AnswerPolicy::No) return PromptResult::No;
  if (interactive_) return Ask(text, false, answer);
  output_.PrintErr(text);
  output_.PrintErr("tamarack-cli: no terminal to ask on: answered No (answer with " + *hint + ")");
  return PromptResult::No;
}

// An empty line gives the question's default answer. An interrupt while
// waiting answers the stop prompt with Yes (the user insists on stopping) and
// any other question with No (the user backs out). A request to end the
// program answers in the same way.
PromptResult ConsoleDialogs::Ask(const std::string& text, bool stopPrompt,
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
