#pragma once

#include <string>
#include <vector>

namespace tamarack {

// The lines of a multi-line text, which joins its lines with CR LF and has
// none after the last: "" is one empty line, "a\r\n" is "a" and "".
std::vector<std::string> SplitLines(const std::string& text);

// The lines joined with CR LF, none after the last.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace tamarack
