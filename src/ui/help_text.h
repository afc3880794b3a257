#pragma once

#include <string>

namespace tamarack {

// The 187-line help text, lines joined by CR LF, no line break after the
// last line.
std::string HelpText();

}  // namespace tamarack
