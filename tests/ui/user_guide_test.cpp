#include "ui/user_guide.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text_lines.h"
#include "ui/help_text.h"

namespace tamarack {
namespace {

// The guide's text as a reader sees it: tags left out, entities read.
std::string VisibleText(const std::string& html) {
  std::string text = std::regex_replace(html, std::regex("<[^>]*>"), " ");
  text = std::regex_replace(text, std::regex("&lt;"), "<");
  text = std::regex_replace(text, std::regex("&gt;"), ">");
  return std::regex_replace(text, std::regex("&amp;"), "&");
}

TEST(UserGuideTest, HoldsEveryWordOfTheHelpPagesInTheirOrder) {
  const std::vector<std::string> lines = SplitLines(HelpText());
  const std::string guide = VisibleText(UserGuideHtml());
  size_t at = 0;
  // From the first page heading on; the step numbers become a list's.
  for (size_t i = 18; i < lines.size(); ++i) {
    if (lines[i].find("----") != std::string::npos) continue;
    std::istringstream words(lines[i]);
    for (std::string word; words >> word;) {
      const bool pageLabel = word.find_first_of("()") != std::string::npos;
      if (pageLabel || std::regex_match(word, std::regex("[0-9]+\\."))) continue;
      const size_t found = guide.find(word, at);
      ASSERT_NE(found, std::string::npos) << "line " << i + 1 << ": " << word;
      at = found + word.size();
    }
  }
}

TEST(UserGuideTest, EveryLinkInsideTheGuideHasItsTarget) {
  const std::string html = UserGuideHtml();
  std::vector<std::string> targets;
  const std::regex href("href=\"#([^\"]+)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), href); it != std::sregex_iterator();
       ++it) {
    targets.push_back((*it)[1]);
  }
  targets.push_back(LinksAnchor);
  targets.push_back(ProblemsAnchor);
  for (int page = 1; page <= 10; ++page) targets.push_back("page" + std::to_string(page));
  for (const std::string& target : targets) {
    EXPECT_NE(html.find("id=\"" + target + "\""), std::string::npos) << target;
  }
  // Outside the guide only secure web addresses.
  EXPECT_FALSE(std::regex_search(html, std::regex("href=\"(?!#|https://)")));
}

}  // namespace
}  // namespace tamarack
