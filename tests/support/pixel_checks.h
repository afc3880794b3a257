#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "platform/surface.h"

namespace tamarack::testing {

// One pixel and the colour it must have.
struct PixelIs {
  int X, Y;
  Color Is;
};

// Checks each pixel of the surface, in window pixels.
inline void ExpectPixels(const Surface& surface, std::initializer_list<PixelIs> pixels) {
  for (const PixelIs& p : pixels) {
    EXPECT_EQ(surface.GetPixel(p.X, p.Y), p.Is) << "pixel " << p.X << ", " << p.Y;
  }
}

}  // namespace tamarack::testing
