#include "platform/text_lines.h"

#include <gtest/gtest.h>

namespace tamarack {
namespace {

using Lines = std::vector<std::string>;

TEST(SplitLinesTest, SplitsAtCrLfOnly) {
  EXPECT_EQ(SplitLines(""), Lines({""}));
  EXPECT_EQ(SplitLines("one"), Lines({"one"}));
  EXPECT_EQ(SplitLines("one\r\ntwo"), Lines({"one", "two"}));
  EXPECT_EQ(SplitLines("one\r\n"), Lines({"one", ""}));
  EXPECT_EQ(SplitLines("\r\n\r\n"), Lines({"", "", ""}));
  // A lone CR or LF is part of its line.
  EXPECT_EQ(SplitLines("a\rb\nc\r\nd"), Lines({"a\rb\nc", "d"}));
}

TEST(JoinLinesTest, JoinsWithCrLfAndNoneAfterTheLast) {
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines({""}), "");
  EXPECT_EQ(JoinLines({"one", "two"}), "one\r\ntwo");
  EXPECT_EQ(JoinLines({"one", ""}), "one\r\n");
  for (const std::string text : {"a", "a\r\nb", "\r\n\r\n", "x\r\n"}) {
    EXPECT_EQ(JoinLines(SplitLines(text)), text);
  }
}

}  // namespace
}  // namespace tamarack
