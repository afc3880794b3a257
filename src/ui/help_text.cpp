#include "ui/help_text.h"

namespace tamarack {

// Placeholder until the help pages are written: the heading line only.
std::string HelpText() { return "\tHELP\t\t\t"; }

}  // namespace tamarack
