#include "ui/program_info.h"

#include <gtest/gtest.h>

#include <string>

#include "core/program_strings.h"
#include "support/fakes.h"
#include "ui/buttons.h"

namespace tamarack {
namespace {

constexpr const char* FeedbackQuestion =
    "The user guide tells how to report a problem.\r\nOpen the user guide?";
constexpr const char* WebsiteQuestion =
    "The user guide opens in the web browser.\r\nOpen the user guide?";
const std::string Guide = "file:///usr/share/tamarack/guide.html";

TEST(ProgramInfoTest, LinksOpenNothingUnlessTheAnswerIsYes) {
  testing::FakeDialogs dialogs;
  testing::FakeShell shell;
  for (PromptResult answer : {PromptResult::No, PromptResult::None}) {
    dialogs.Expect(MessageKind::Confirmation, FeedbackQuestion, answer);
    OpenProgramLink(dialogs, shell, FeedbackButton, Guide);
    dialogs.Expect(MessageKind::Confirmation, WebsiteQuestion, answer);
    OpenProgramLink(dialogs, shell, WebsiteButton, Guide);
  }
  EXPECT_TRUE(shell.Opened.empty());
}

TEST(ProgramInfoTest, YesOpensTheUserGuideFeedbackAtReportingAProblem) {
  testing::FakeDialogs dialogs;
  testing::FakeShell shell;
  dialogs.Expect(MessageKind::Confirmation, FeedbackQuestion, PromptResult::Yes);
  OpenProgramLink(dialogs, shell, FeedbackButton, Guide);
  dialogs.Expect(MessageKind::Confirmation, WebsiteQuestion, PromptResult::Yes);
  OpenProgramLink(dialogs, shell, WebsiteButton, Guide);
  ASSERT_EQ(shell.Opened.size(), 2u);
  EXPECT_EQ(shell.Opened[0], Guide + "#problems");
  EXPECT_EQ(shell.Opened[1], Guide);
}

TEST(ProgramInfoTest, AddressTheDesktopCannotOpenIsShownForCopying) {
  testing::FakeDialogs dialogs;
  testing::FakeShell shell;
  shell.Opens = false;
  dialogs.Expect(MessageKind::Confirmation, WebsiteQuestion, PromptResult::Yes);
  dialogs.Expect(MessageKind::Error, "No program could be started for this address:\r\n" + Guide);
  OpenProgramLink(dialogs, shell, WebsiteButton, Guide);
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST(ProgramInfoTest, VersionBoxLinesAreSeparatedByTabs) {
  const std::string expected =
      "Tamarack\r\n"
      "\r\n"
      "Version: \t1.00\r\n"
      "Released:\t08-Dec-2026\r\n"
      "Guide:\t\tfile:///usr/share/tamarack/guide.html";
  testing::FakeDialogs dialogs;
  dialogs.Expect(MessageKind::Information, expected);
  ShowVersionBox(dialogs, Guide);
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
      {ProgramString::ReleaseDate, "08-Dec-2026"}};
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
  EXPECT_EQ(StoredProgramStrings[3], "\r\n");
}

}  // namespace
}  // namespace tamarack
