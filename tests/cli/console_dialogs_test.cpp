#include "platform/console/console_dialogs.h"

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

const std::string Question = "A Backup file for the Selected file already exists.\r\nOverwrite?";
const std::string StopQuestion = "Current operation paused.\r\nStop current operation?";

class ConsoleDialogsTest : public ::testing::Test {
 protected:
  ConsoleDialogs Make(bool interactive) { return ConsoleDialogs(output, input, interactive); }

  std::ostringstream out;
  std::ostringstream err;
  ConsoleOutput output{out, err, false};
  ScriptedInput input;
};

TEST_F(ConsoleDialogsTest, MessagesGoToTheirStreamsLineByLine) {
  ConsoleDialogs dialogs = Make(false);
  EXPECT_EQ(dialogs.ShowMessage(MessageKind::Information, "Done.\r\n\r\nAnalyze again."),
            PromptResult::Ok);
  EXPECT_FALSE(dialogs.ErrorShown());
  EXPECT_EQ(dialogs.ShowMessage(MessageKind::Error, "The file\r\nis bad."), PromptResult::Ok);
  EXPECT_TRUE(dialogs.ErrorShown());
  EXPECT_EQ(out.str(), "Done.\n\nAnalyze again.\n");
  EXPECT_EQ(err.str(), "The file\nis bad.\n");

  dialogs.SetInformationShown(false);
  dialogs.ShowMessage(MessageKind::Information, "Hidden.");
  dialogs.ShowMessage(MessageKind::Error, "Still shown.");
  EXPECT_EQ(out.str(), "Done.\n\nAnalyze again.\n");
  EXPECT_EQ(err.str(), "The file\nis bad.\nStill shown.\n");
}

TEST_F(ConsoleDialogsTest, PolicyAnswersEveryQuestionWithoutAsking) {
  for (bool interactive : {false, true}) {
    ConsoleDialogs dialogs = Make(interactive);
    dialogs.SetQuestionPolicy(AnswerPolicy::Yes, "--yes or --no");
    EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, Question), PromptResult::Yes);
    dialogs.SetQuestionPolicy(AnswerPolicy::No, "--yes or --no");
    EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, Question), PromptResult::No);
  }
  EXPECT_EQ(input.Reads, 0);
  EXPECT_EQ(err.str(), "");
}

TEST_F(ConsoleDialogsTest, WithoutATerminalAQuestionIsAnsweredNoAndNamed) {
  ConsoleDialogs dialogs = Make(false);
  dialogs.SetQuestionPolicy(AnswerPolicy::Ask, "--delete-reference or --keep-reference");
  EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, Question), PromptResult::No);
  EXPECT_EQ(input.Reads, 0);
  EXPECT_EQ(err.str(),
            "A Backup file for the Selected file already exists.\nOverwrite?\n"
            "tamarack-cli: no terminal to ask on: answered No (answer with --delete-reference or "
            "--keep-reference)\n");
}

TEST_F(ConsoleDialogsTest, OnATerminalTheAnswerIsRead) {
  ConsoleDialogs dialogs = Make(true);
  const std::vector<std::pair<InputLine, PromptResult>> answers = {
      {{InputEvent::Line, "y"}, PromptResult::Yes},
      {{InputEvent::Line, " YES "}, PromptResult::Yes},
      {{InputEvent::Line, "Yes"}, PromptResult::Yes},
      {{InputEvent::Line, ""}, PromptResult::No},
      {{InputEvent::Line, "n"}, PromptResult::No},
      {{InputEvent::Line, "yess"}, PromptResult::No},
      {{InputEvent::End, ""}, PromptResult::No},
      {{InputEvent::Interrupted, ""}, PromptResult::No},
  };
  for (const auto& [line, expected] : answers) {
    input.Lines = {line};
    EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, Question, DefaultAnswer::No), expected)
        << line.Text;
  }
  EXPECT_EQ(
      err.str().rfind("A Backup file for the Selected file already exists.\nOverwrite? [y/N] ", 0),
      0u)
      << err.str();
}

TEST_F(ConsoleDialogsTest, AnEmptyAnswerGivesTheDefaultThatTheHintCapitalises) {
  ConsoleDialogs dialogs = Make(true);
  for (const std::string empty : {"", "  "}) {
    input.Lines = {{InputEvent::Line, empty}};
    EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, Question, DefaultAnswer::No),
              PromptResult::No);
    input.Lines = {{InputEvent::Line, empty}};
    EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, Question, DefaultAnswer::Yes),
              PromptResult::Yes);
  }
  // Any other answer is read as before, whatever the default.
  input.Lines = {{InputEvent::Line, "n"}, {InputEvent::Line, "yess"}, {InputEvent::End, ""}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, Question, DefaultAnswer::Yes),
              PromptResult::No);
  }
  input.Lines = {{InputEvent::Line, "y"}};
  EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, Question, DefaultAnswer::No),
            PromptResult::Yes);
  EXPECT_EQ(
      err.str().rfind("A Backup file for the Selected file already exists.\nOverwrite? [y/N] "
                      "A Backup file for the Selected file already exists.\nOverwrite? [Y/n] ",
                      0),
      0u)
      << err.str();
}

TEST_F(ConsoleDialogsTest, StopPromptIsAnsweredYesWithoutATerminal) {
  ConsoleDialogs dialogs = Make(false);
  // The policy of the command's questions does not answer the stop prompt.
  dialogs.SetQuestionPolicy(AnswerPolicy::No, "--yes or --no");
  {
    ConsoleDialogs::StopPrompt stop(dialogs, StopRequest::Ask);
    EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, StopQuestion), PromptResult::Yes);
  }
  EXPECT_NE(err.str().find("Stop current operation?\n"), std::string::npos);
  EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, Question), PromptResult::No);
  EXPECT_FALSE(dialogs.ErrorShown());
}

TEST_F(ConsoleDialogsTest, StopPromptOnATerminalIsAskedAndASecondInterruptAnswersYes) {
  ConsoleDialogs dialogs = Make(true);
  ConsoleDialogs::StopPrompt stop(dialogs, StopRequest::Ask);
  input.Lines = {{InputEvent::Line, "n"}, {InputEvent::Interrupted, ""}, {InputEvent::End, ""}};
  EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, StopQuestion), PromptResult::No);
  EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, StopQuestion), PromptResult::Yes);
  EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, StopQuestion), PromptResult::No);
  EXPECT_EQ(input.Reads, 3);
}

TEST_F(ConsoleDialogsTest, RequestToEndAnswersTheStopPromptYesAndAnyOtherQuestionNo) {
  for (bool interactive : {false, true}) {
    ConsoleDialogs dialogs = Make(interactive);
    {
      ConsoleDialogs::StopPrompt stop(dialogs, StopRequest::Confirmed);
      EXPECT_EQ(dialogs.ShowMessage(MessageKind::Confirmation, StopQuestion), PromptResult::Yes);
    }
    EXPECT_TRUE(dialogs.TerminationAnswered());
  }
  // Nothing was read: a confirmed stop is not asked.
  EXPECT_EQ(input.Reads, 0);
  EXPECT_NE(err.str().find("Stop current operation?\ntamarack-cli: asked to end: answered Yes\n"),
            std::string::npos)
      << err.str();

  // While a question waits for its answer.
  ConsoleDialogs asking = Make(true);
  input.Lines = {{InputEvent::Terminated, ""}};
  EXPECT_EQ(asking.ShowMessage(MessageKind::Confirmation, Question), PromptResult::No);
  EXPECT_TRUE(asking.TerminationAnswered());
  ConsoleDialogs::StopPrompt stop(asking, StopRequest::Ask);
  input.Lines = {{InputEvent::Terminated, ""}};
  EXPECT_EQ(asking.ShowMessage(MessageKind::Confirmation, StopQuestion), PromptResult::Yes);

  // The user's own answers and interrupts are no request to end.
  ConsoleDialogs user = Make(true);
  input.Lines = {{InputEvent::Interrupted, ""}, {InputEvent::Line, "n"}};
  user.ShowMessage(MessageKind::Confirmation, Question);
  user.ShowMessage(MessageKind::Confirmation, Question);
  EXPECT_FALSE(user.TerminationAnswered());
}

TEST_F(ConsoleDialogsTest, FileDialogsAreAnsweredInOrderThenCancelled) {
  ConsoleDialogs dialogs = Make(false);
  dialogs.AddFileAnswer("/videos/film.avi");
  dialogs.AddFileAnswer("/videos/film.tkp");
  OpenFileRequest request;
  request.Title = "Select Patch File";
  EXPECT_EQ(dialogs.ChooseOpenFile(request), "/videos/film.avi");
  EXPECT_EQ(dialogs.ChooseOpenFile(request), "/videos/film.tkp");
  EXPECT_EQ(dialogs.ChooseOpenFile(request), "");
  EXPECT_EQ(err.str(), "tamarack-cli: no file given for \"Select Patch File\"\n");
}

}  // namespace
}  // namespace tamarack::testing
