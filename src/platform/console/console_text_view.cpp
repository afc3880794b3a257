#include "platform/console/console_text_view.h"

#include "platform/console/console_output.h"

namespace tamarack {

std::vector<std::string> ConsoleTextView::DisplayedLines() { return SplitLines(text_); }

}  // namespace tamarack
