#include "ui/program_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Only Yes opens the user guide, Feedback at reporting a problem.
TEST(ProgramInfoTest, LinksOpenTheUserGuideOnlyWhenTheAnswerIsYes) {
  testing::FakeDialogs dialogs;
  testing::FakeShell shell;
  for (PromptResult answer : {PromptResult::No, PromptResult::None, PromptResult::Yes}) {
    dialogs.Expect(MessageKind::Confirmation, FeedbackQuestion, answer);
    OpenProgramLink(dialogs, shell, FeedbackButton, Guide);
    dialogs.Expect(MessageKind::Confirmation, WebsiteQuestion, answer);
    OpenProgramLink(dialogs, shell, WebsiteButton, Guide);
  }
  EXPECT_EQ(shell.Opened, (std::vector<std::string>{Guide + "#problems", Guide}));
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

// The texts are kept only in scrambled form.
TEST(ProgramStringsTest, StoredStringsAreScrambledFormsOfTheProgramsTexts) {
  const std::pair<ProgramString, std::string> entries[] = {
      {ProgramString::ProductName, "Tamarack"},
      {ProgramString::Version, "1.00"},
      {ProgramString::ReleaseDate, "08-Dec-2026"},
      {ProgramString::LineBreak, "\r\n"}};
  for (const auto& [entry, plain] : entries) {
    EXPECT_EQ(ProgramText(entry), plain);
    EXPECT_EQ(StoredProgramStrings[static_cast<size_t>(entry)],
              entry == ProgramString::LineBreak ? plain : Unscramble(plain));
  }
}

}  // namespace
}  // namespace tamarack
