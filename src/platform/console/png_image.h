#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace tamarack {

// A rectangle of the bitmap encoded as a PNG file in memory.
struct PngImage {
  std::vector<uint8_t> Bytes;  // empty when the encoding failed
  std::string Error;           // why it failed
};

// Encodes the pixels of the area, which lies inside the bitmap, as an 8-bit
// RGB PNG image of the area's size.
PngImage EncodePng(const Surface& bitmap, const PixelRect& area);

}  // namespace tamarack
