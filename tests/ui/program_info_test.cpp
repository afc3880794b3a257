#include "ui/program_info.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fakes.h"
#include "ui/buttons.h"
#include "ui/program_strings.h"

namespace tamarack {
namespace {

constexpr const char* EmailQuestion =
    "Email writing requires an email program to start.\r\nStart the email program?";
constexpr const char* WebQuestion =
    "Visiting the website requires internet access.\r\nVisit the website?";

TEST(ProgramInfoTest, LinksOpenNothingUnlessTheAnswerIsYes) {
  testing::FakeDialogs dialogs;
  testing::FakeShell shell;
  for (PromptResult answer : {PromptResult::No, PromptResult::None}) {
    dialogs.Expect(MessageKind::Confirmation, EmailQuestion, answer);
    OpenProgramLink(dialogs, shell, FeedbackButton);
    dialogs.Expect(MessageKind::Confirmation, WebQuestion, answer);
    OpenProgramLink(dialogs, shell, WebsiteButton);
  }
  EXPECT_TRUE(shell.Opened.empty());
}

TEST(ProgramInfoTest, YesOpensTheMailAndWebAddresses) {
  testing::FakeDialogs dialogs;
  testing::FakeShell shell;
  dialogs.Expect(MessageKind::Confirmation, EmailQuestion, PromptResult::Yes);
  OpenProgramLink(dialogs, shell, FeedbackButton);
  dialogs.Expect(MessageKind::Confirmation, WebQuestion, PromptResult::Yes);
  OpenProgramLink(dialogs, shell, WebsiteButton);
  ASSERT_EQ(shell.Opened.size(), 2u);
  // A new message with an empty subject.
  EXPECT_EQ(shell.Opened[0], "mailto:help@tamarack.test?subject=");
  EXPECT_EQ(shell.Opened[1], "https://tamarack.example.org/");
}

TEST(ProgramInfoTest, AddressTheDesktopCannotOpenIsShownForCopying) {
  testing::FakeDialogs dialogs;
  testing::FakeShell shell;
  shell.Opens = false;
  dialogs.Expect(MessageKind::Confirmation, EmailQuestion, PromptResult::Yes);
  dialogs.Expect(MessageKind::Error, "No program could be started for this address:\r\n" +
                                         ProgramText(ProgramString::EmailAddress));
  OpenProgramLink(dialogs, shell, FeedbackButton);
  dialogs.Expect(MessageKind::Confirmation, WebQuestion, PromptResult::Yes);
  dialogs.Expect(MessageKind::Error, "No program could be started for this address:\r\n" +
                                         ProgramText(ProgramString::WebAddress));
  OpenProgramLink(dialogs, shell, WebsiteButton);
  EXPECT_EQ(shell.Opened.size(), 2u);
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST(ProgramInfoTest, VersionBoxLinesAreSeparatedByTabs) {
  const std::string expected =
      "Tamarack\r\n"
      "\r\n"
      "Version: \t1.00\r\n"
      "Released:\t08-Dec-2026\r\n"
      "Web:\t\thttps://tamarack.example.org/\r\n"
      "Email:\t\thelp@tamarack.test";
  testing::FakeDialogs dialogs;
  dialogs.Expect(MessageKind::Information, expected);
  ShowVersionBox(dialogs);
}

TEST(ProgramStringsTest, UnscrambleMapsEachCodeOntoItsMirror) {
  EXPECT_EQ(Unscramble(""), "");
  EXPECT_EQ(Unscramble(" !O~"), "~}O ");
  EXPECT_EQ(Unscramble("\xC8"), "\xD6");  // 200 becomes 214
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  const std::string once = Unscramble(all);
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(static_cast<unsigned char>(once[c]), (158 - c + 256) % 256) << c;
  }
  EXPECT_EQ(Unscramble(once), all);
}

TEST(ProgramStringsTest, StoredStringsAreScrambledFormsOfTheProgramsTexts) {
  const std::pair<ProgramString, std::string> entries[] = {
      {ProgramString::ProductName, "Tamarack"},
      {ProgramString::Version, "1.00"},
      {ProgramString::ReleaseDate, "08-Dec-2026"},
      {ProgramString::WebAddress, "https://tamarack.example.org/"},
      {ProgramString::EmailAddress, "help@tamarack.test"}};
  for (const auto& [entry, plain] : entries) {
    const std::string& stored = StoredProgramStrings[static_cast<size_t>(entry)];
    EXPECT_EQ(ProgramText(entry), plain);
    EXPECT_EQ(stored.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
      // Kept only in scrambled form: each code stored as its mirror.
      EXPECT_EQ(static_cast<unsigned char>(stored[i]),
                (158 - static_cast<unsigned char>(plain[i]) + 256) % 256)
          << plain;
    }
  }
  EXPECT_EQ(ProgramText(ProgramString::LineBreak), "\r\n");
  EXPECT_EQ(StoredProgramStrings[5], "\r\n");
}

}  // namespace
}  // namespace tamarack
