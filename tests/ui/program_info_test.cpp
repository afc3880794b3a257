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
  EXPECT_EQ(shell.Opened[0], "mailto:" + ProgramText(ProgramString::EmailAddress) + "?subject=");
  EXPECT_EQ(shell.Opened[1], ProgramText(ProgramString::WebAddress));
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
  const std::string expected = ProgramText(ProgramString::ProductName) + "\r\n" + "\r\n" +
                               "Version: \t" + ProgramText(ProgramString::Version) + "\r\n" +
                               "Released:\t" + ProgramText(ProgramString::ReleaseDate) + "\r\n" +
                               "Web:\t\t" + ProgramText(ProgramString::WebAddress) + "\r\n" +
                               "Email:\t\t" + ProgramText(ProgramString::EmailAddress);
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

TEST(ProgramStringsTest, StoredStringsUnscrambleToPrintableTextsOfTheirLengths) {
  const std::pair<ProgramString, size_t> entries[] = {{ProgramString::ProductName, 8},
                                                      {ProgramString::Version, 4},
                                                      {ProgramString::ReleaseDate, 11},
                                                      {ProgramString::WebAddress, 29},
                                                      {ProgramString::EmailAddress, 18}};
  for (const auto& [entry, length] : entries) {
    const std::string& stored = StoredProgramStrings[static_cast<size_t>(entry)];
    const std::string plain = ProgramText(entry);
    EXPECT_EQ(plain.size(), length) << plain;
    EXPECT_EQ(Unscramble(stored), plain);
    EXPECT_NE(stored, plain);  // kept only in scrambled form
    for (char c : plain) {
      EXPECT_TRUE(c > ' ' && c < 127) << "entry " << static_cast<int>(entry) << ": " << plain;
    }
  }
  EXPECT_EQ(ProgramText(ProgramString::ProductName), "Tamarack");
  EXPECT_EQ(ProgramText(ProgramString::LineBreak), "\r\n");
  EXPECT_EQ(StoredProgramStrings[5], "\r\n");
  EXPECT_EQ(ProgramText(ProgramString::WebAddress).rfind("https://", 0), 0u);
  const std::string email = ProgramText(ProgramString::EmailAddress);
  EXPECT_EQ(email.find('@'), email.rfind('@'));
  EXPECT_NE(email.find('@'), std::string::npos);
}

}  // namespace
}  // namespace tamarack
