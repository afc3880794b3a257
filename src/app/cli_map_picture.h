#pragma once

#include <vector>

#include "platform/color.h"
#include "platform/console/png_image.h"

namespace tamarack {

// The map of an analysis as the window shows it, without its captions:
// the map's area, white, with its grey frames and lines and each cell of
// the result in its colour, from cell 1 on.
RgbImage MapPicture(const std::vector<Color>& cells);

}  // namespace tamarack
