#pragma once

#include <string>

namespace tamarack {

// The anchor of the user guide's section on reporting a problem, which
// Feedback opens, and of its "Links" section.
inline constexpr const char* ProblemsAnchor = "problems";
inline constexpr const char* LinksAnchor = "links";

// The user guide as one HTML page: the help text's ten pages, the keys,
// the "Links" section with the solutions that the analysis advice refers
// to, and how to report a problem. It is installed with the program and
// needs no network.
std::string UserGuideHtml();

}  // namespace tamarack
