#pragma once

#include <string>

#include "platform/surface.h"

namespace tamarack {

// Paints the whole window but the buttons, the progress bar and the map:
// gradients, frames, the white view area, the logo, the title and the group
// captions.
void PaintWindow(Surface& surface, const std::string& productName);

}  // namespace tamarack
