#pragma once

#include <string>
#include <vector>

namespace tamarack {

// The 187-line help text, lines joined by CR LF, no line break after the
// last line.
std::string HelpText();

// Where the help text's pages start among the lines that a text view shows
// of it: 0 for the heading and contents, then each page's heading line.
// The lines are those shown, since a line that the view wraps counts as
// several.
std::vector<int> HelpPageStarts(const std::vector<std::string>& displayedLines);

}  // namespace tamarack
