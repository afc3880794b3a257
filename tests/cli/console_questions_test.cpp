#include "platform/console/console_questions.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>

namespace tamarack::testing {
namespace {

class ScriptedInput : public AnswerInput {
 public:
  InputLine ReadLine() override {
    ++Reads;
    if (Lines.empty()) return {InputEvent::End, ""};
    InputLine line = Lines.front();
    Lines.pop_front();
    return line;
  }
  std::deque<InputLine> Lines;
  int Reads = 0;
};

const std::string Question = "A file exists.\r\nOverwrite?";
const std::string StopQuestion = "Current operation paused.\r\nStop current operation?";

class ConsoleQuestionsTest : public ::testing::Test {
 protected:
  std::ostringstream out;
  std::ostringstream err;
  ConsoleOutput output{out, err, false};
  ScriptedInput input;
};

TEST_F(ConsoleQuestionsTest, QuestionsAreAnsweredByPolicyByTheUserOrNo) {
  const struct {
    AnswerPolicy Policy;
    bool Interactive;
    InputLine Typed;
    DefaultAnswer Default;
    PromptResult Expected;
  } cases[] = {
      {AnswerPolicy::Yes, false, {}, DefaultAnswer::No, PromptResult::Yes},
      {AnswerPolicy::No, true, {}, DefaultAnswer::Yes, PromptResult::No},
      {AnswerPolicy::Ask, false, {}, DefaultAnswer::Yes, PromptResult::No},
      {AnswerPolicy::Ask, true, {InputEvent::Line, " YES "}, DefaultAnswer::No, PromptResult::Yes},
      {AnswerPolicy::Ask, true, {InputEvent::Line, "yess"}, DefaultAnswer::Yes, PromptResult::No},
      {AnswerPolicy::Ask, true, {InputEvent::Line, "  "}, DefaultAnswer::Yes, PromptResult::Yes},
      {AnswerPolicy::Ask, true, {InputEvent::Line, ""}, DefaultAnswer::No, PromptResult::No},
      {AnswerPolicy::Ask, true, {InputEvent::End, ""}, DefaultAnswer::Yes, PromptResult::No},
      {AnswerPolicy::Ask,
       true,
       {InputEvent::Interrupted, ""},
       DefaultAnswer::Yes,
       PromptResult::No},
      {AnswerPolicy::Ask, true, {InputEvent::Terminated, ""}, DefaultAnswer::Yes, PromptResult::No},
  };
  for (const auto& c : cases) {
    ConsoleQuestions questions(output, input, c.Interactive);
    input.Lines = {c.Typed};
    EXPECT_EQ(questions.Ask(Question, c.Default, c.Policy, "--yes or --no"), c.Expected)
        << c.Typed.Text;
    // A request to end the program that answers a question is noted.
    EXPECT_EQ(questions.TerminationAnswered(), c.Interactive && c.Policy == AnswerPolicy::Ask &&
                                                   c.Typed.Event == InputEvent::Terminated);
  }
  // Only the questions that were asked show, with the default capitalised;
  // without a terminal the question is named with the options that answer it.
  EXPECT_EQ(err.str().substr(0, 80),
            "A file exists.\nOverwrite?\ntamarack-cli: no terminal to ask on: answered No (answ");
  EXPECT_NE(err.str().find("Overwrite? [y/N] "), std::string::npos);
  EXPECT_NE(err.str().find("Overwrite? [Y/n] "), std::string::npos);
}

TEST_F(ConsoleQuestionsTest, StopQuestionIsYesUnlessTheUserSaysNoOnATerminal) {
  const struct {
    StopRequest Request;
    bool Interactive;
    InputLine Typed;
    PromptResult Expected;
    const char* Said;
  } cases[] = {
      {StopRequest::Ask, false, {}, PromptResult::Yes, "interrupted: answered Yes"},
      {StopRequest::Confirmed, true, {}, PromptResult::Yes, "asked to end: answered Yes"},
      {StopRequest::Ask, true, {InputEvent::Line, "n"}, PromptResult::No, "[Y/n] "},
      {StopRequest::Ask, true, {InputEvent::Interrupted, ""}, PromptResult::Yes, "[Y/n] Yes\n"},
  };
  for (const auto& c : cases) {
    err.str("");
    ConsoleQuestions questions(output, input, c.Interactive);
    input.Lines = {c.Typed};
    EXPECT_EQ(questions.AskStop(StopQuestion, c.Request), c.Expected) << c.Said;
    EXPECT_NE(err.str().find(c.Said), std::string::npos) << err.str();
    EXPECT_EQ(questions.TerminationAnswered(), c.Request == StopRequest::Confirmed);
  }
}

}  // namespace
}  // namespace tamarack::testing
