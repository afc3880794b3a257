#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamarack {

// A picture of 8-bit RGB pixels, row after row, three bytes a pixel.
struct RgbImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;
};

// A picture encoded as a PNG file in memory.
struct PngImage {
  std::vector<uint8_t> Bytes;  // empty when the encoding failed
  std::string Error;           // why it failed
};

// Encodes the picture, which holds Width * Height pixels, as an 8-bit RGB
// PNG image of its size.
PngImage EncodePng(const RgbImage& picture);

}  // namespace tamarack
