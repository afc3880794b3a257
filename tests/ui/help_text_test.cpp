#include "ui/help_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_lines.h"

namespace tamarack {
namespace {

const std::string Rule = " " + std::string(128, '-');

// Lines are counted from 1, as the page table counts them.
class HelpTextTest : public ::testing::Test {
 protected:
  const std::string& Line(int number) const { return lines[number - 1]; }
  std::vector<std::string> lines = SplitLines(HelpText());
};

TEST_F(HelpTextTest, HasTheHeadingAndContentsLinesAtTheirPlaces) {
  ASSERT_EQ(lines.size(), 187u);
  EXPECT_EQ(Line(2), "\tHELP\t\t\t");
  EXPECT_EQ(Line(3), Rule);
  EXPECT_EQ(Line(4), "\t(use the PageUp and PageDown keys to navigate)");
  EXPECT_EQ(Line(6), "\tFILE\t\t\tVIEW");
  EXPECT_EQ(Line(7), "\t Select/Clear\t1\t Information\t 7");
  EXPECT_EQ(Line(8), "\t Analyze\t\t2\t Analysis\t\t 8");
  EXPECT_EQ(Line(9), "\t\t\t\t Patch Codes\t 9");
  EXPECT_EQ(Line(10), "\tCREATE\t\t");
  EXPECT_EQ(Line(11), "\t Backup\t\t3\tPROGRAM");
  EXPECT_EQ(Line(12), "\t Patch\t\t4\t Feedback\t10");
  EXPECT_EQ(Line(13), "\t\t\t\t Website\t\t10");
  EXPECT_EQ(Line(14), "\tREPAIR WITH\t\t Version\t\t10");
  EXPECT_EQ(Line(15), "\t Reference\t5");
  EXPECT_EQ(Line(16), "\t Patch\t\t6");
  for (int empty : {1, 5, 17, 18}) EXPECT_EQ(Line(empty), "") << "line " << empty;
}

TEST_F(HelpTextTest, TenPagesOfSeventeenLinesWithTheirHeadingsRuleAndText) {
  ASSERT_EQ(lines.size(), 187u);
  const char* headings[10] = {
      "FILE - Select/Clear\t\t\t\t\t\t(Page 1)",
      "FILE - Analyze\t\t\t\t\t\t(Page 2)",
      "CREATE - Backup\t\t\t\t\t\t(Page 3)",
      "CREATE - Patch\t\t\t\t\t\t(Page 4)",
      "REPAIR WITH - Reference\t\t\t\t\t(Page 5)",
      "REPAIR WITH - Patch\t\t\t\t\t(Page 6)",
      "VIEW - Information\t\t\t\t\t\t(Page 7)",
      "VIEW - Analysis\t\t\t\t\t\t(Page 8)",
      "VIEW - Patch Codes\t\t\t\t\t(Page 9)",
      "PROGRAM - Feedback/Website/Version\t\t\t(Page 10)",
  };
  // The buttons that each page is about, as its text names them.
  const std::vector<std::vector<std::string>> buttons = {
      {"Select", "Clear"}, {"Analyze"},
      {"Backup"},          {"Patch"},
      {"Reference"},       {"Patch"},
      {"Information"},     {"Analysis"},
      {"Patch Codes"},     {"Feedback", "Website", "Version"},
  };
  for (int page = 0; page < 10; ++page) {
    SCOPED_TRACE("page " + std::to_string(page + 1));
    const int first = 19 + 17 * page;
    const int last = page == 9 ? 187 : first + 16;
    EXPECT_EQ(Line(first), headings[page]);
    EXPECT_EQ(Line(first + 1), Rule);
    EXPECT_EQ(Line(first + 2), "");
    // The text runs to the page's last non-empty line; the rest is filling.
    int lastText = first + 2;
    std::string text;
    for (int n = first + 3; n <= last; ++n) {
      if (!Line(n).empty()) lastText = n;
      text += Line(n) + " ";
    }
    EXPECT_GT(lastText, first + 2) << "the page has no text";
    // At most 14 lines; 13 keep the page whole in the view after PageDown,
    // with the rule wrapped into two lines.
    EXPECT_LE(lastText - (first + 2), 13);
    for (const std::string& button : buttons[page]) {
      EXPECT_NE(text.find("\"" + button + "\""), std::string::npos) << button;
    }
  }
}

TEST_F(HelpTextTest, TextLinesArePlainAndShortEnoughForTheViewArea) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    for (char c : line) {
      EXPECT_TRUE(c == '\t' || (c >= ' ' && c <= '~')) << "line " << i + 1 << ": " << line;
    }
    // The rule is the one line that is wider than the view area.
    if (line != Rule) {
      EXPECT_LE(line.size(), 62u) << "line " << i + 1 << ": " << line;
    }
  }
}

TEST_F(HelpTextTest, PageStartsAreTheHeadingsAmongTheLinesShown) {
  std::vector<int> expected = {0};
  for (int page = 0; page < 10; ++page) expected.push_back(18 + 17 * page);
  EXPECT_EQ(HelpPageStarts(lines), expected);
  // A view that wraps each rule into two lines shows every heading one line
  // further down for each rule above it.
  std::vector<std::string> wrapped;
  for (const std::string& line : lines) {
    if (line == Rule) wrapped.push_back(Rule.substr(0, 64));
    wrapped.push_back(line == Rule ? Rule.substr(64) : line);
  }
  expected = {0};
  for (int page = 0; page < 10; ++page) expected.push_back(19 + 18 * page);
  EXPECT_EQ(HelpPageStarts(wrapped), expected);
}

}  // namespace
}  // namespace tamarack
