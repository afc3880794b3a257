#include "platform/surface.h"

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "support/pixel_checks.h"

namespace tamarack {
namespace {

using testing::ExpectPixels;

class SurfaceTest : public ::testing::Test {
 protected:
  testing::FakeFontBackend fonts;
  Surface surface{fonts};
};

// Reads outside the bitmap are invalid and drawing there is clipped; lines
// leave out their end point; a frame lies one pixel inside its rectangle.
TEST_F(SurfaceTest, DrawsWithinTheBitmapAndItsShapes) {
  EXPECT_FALSE(surface.GetPixel(-1, 0).Valid);
  EXPECT_FALSE(surface.GetPixel(616, 0).Valid);
  EXPECT_FALSE(surface.GetPixel(0, 300).Valid);
  EXPECT_TRUE(surface.GetPixel(615, 299).Valid);
  surface.SetPixel(-1, -1, Red);  // not drawn, no crash
  surface.FillRect({-10, -10, 2, 2}, Red);
  surface.DrawLine(10, 10, 15, 10, Red);
  surface.DrawLine(15, 20, 10, 20, Red);
  surface.DrawLine(30, 30, 30, 33, Blue);
  surface.DrawLine(40, 40, 43, 43, Blue);
  surface.DrawLine(50, 50, 50, 50, Blue);
  surface.FrameRect({60, 10, 70, 15}, Grey);
  ExpectPixels(surface, {{1, 1, Red},
                         {2, 2, White},
                         {10, 10, Red},
                         {14, 10, Red},
                         {15, 10, White},
                         {15, 20, Red},
                         {11, 20, Red},
                         {10, 20, White},
                         {30, 32, Blue},
                         {30, 33, White},
                         {42, 42, Blue},
                         {43, 43, White},
                         {50, 50, White},
                         {60, 10, Grey},
                         {69, 14, Grey},
                         {65, 12, White},
                         {70, 12, White}});
}

TEST_F(SurfaceTest, ChangesAccumulateIntoOneDirtyRectangle) {
  int notified = 0;
  surface.SetChangeListener([&] { ++notified; });
  surface.SetPixel(5, 5, Red);
  surface.FillRect({10, 20, 30, 40}, Red);
  EXPECT_EQ(notified, 1);
  const PixelRect dirty = surface.TakeDirtyRect();
  EXPECT_EQ(dirty.Left, 5);
  EXPECT_EQ(dirty.Top, 5);
  EXPECT_EQ(dirty.Right, 30);
  EXPECT_EQ(dirty.Bottom, 40);
  surface.SetPixel(1, 1, Red);
  EXPECT_EQ(notified, 2);
}

// The device pixels that a logical rectangle covers, each with the colour.
::testing::AssertionResult DeviceRectIs(const Surface& surface, int left, int top, int right,
                                        int bottom, Color color) {
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (surface.GetDevicePixel(x, y) != color) {
        return ::testing::AssertionFailure() << "device pixel (" << x << ", " << y << ")";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(ScaledSurfaceTest, AtScaleTwoEveryLogicalPixelIsTwoByTwoDevicePixels) {
  testing::FakeFontBackend fonts;
  Surface surface(fonts, 2.0);
  EXPECT_EQ(surface.DeviceWidth(), 1232);
  EXPECT_EQ(surface.DeviceHeight(), 600);
  EXPECT_EQ(surface.DeviceBytesPerLine(), 1232 * 3);
  surface.FillRect({109, 85, 113, 89}, Red);  // a map cell
  EXPECT_TRUE(DeviceRectIs(surface, 218, 170, 226, 178, Red));
  EXPECT_EQ(surface.GetDevicePixel(217, 170), White);
  EXPECT_EQ(surface.GetDevicePixel(226, 177), White);
  EXPECT_EQ(surface.GetDevicePixel(218, 178), White);
  surface.SetPixel(615, 299, Blue);
  EXPECT_TRUE(DeviceRectIs(surface, 1230, 598, 1232, 600, Blue));
  EXPECT_EQ(surface.GetPixel(615, 299), Blue);
  EXPECT_FALSE(surface.GetPixel(616, 0).Valid);
  EXPECT_FALSE(surface.GetDevicePixel(1232, 0).Valid);
  // Changes are reported in logical pixels.
  surface.TakeDirtyRect();
  surface.FrameRect({10, 10, 20, 15}, Grey);
  const PixelRect dirty = surface.TakeDirtyRect();
  EXPECT_EQ(dirty.Right, 20);
  EXPECT_EQ(dirty.Bottom, 15);
  EXPECT_TRUE(DeviceRectIs(surface, 20, 20, 40, 22, Grey));
  EXPECT_EQ(surface.GetDevicePixel(22, 22), White);
}

TEST(ScaledSurfaceTest, AtAFractionalScaleNeighboursMeetAndCellsAreAlike) {
  testing::FakeFontBackend fonts;
  Surface surface(fonts, 1.5);
  EXPECT_EQ(surface.DeviceWidth(), 924);
  EXPECT_EQ(surface.DeviceHeight(), 450);
  // Rectangles side by side leave no device pixel between them and cover
  // none twice.
  surface.FillRect({0, 0, 3, 1}, Red);
  surface.FillRect({3, 0, 5, 1}, Blue);
  for (int x = 0; x < surface.ToDevice(5); ++x) {
    EXPECT_EQ(surface.GetDevicePixel(x, 0), x < surface.ToDevice(3) ? Red : Blue) << x;
  }
  // Every 4-pixel map cell, wherever it lies on the 5-pixel grid, is 6 x 6.
  for (int column = 0; column < 80; ++column) {
    const int x = 109 + 5 * column;
    EXPECT_EQ(surface.ToDevice(x + 4) - surface.ToDevice(x), 6) << column;
  }
  // Device rows of a logical span, for shading as fine as the screen.
  EXPECT_EQ(surface.DeviceRows(60, 80), 30);
  EXPECT_EQ(surface.DeviceRows(80, 60), 0);
  surface.FillDeviceRow({10, 60, 20, 80}, 29, Green);
  EXPECT_EQ(surface.GetDevicePixel(surface.ToDevice(10), 119), Green);
  EXPECT_EQ(surface.GetDevicePixel(surface.ToDevice(20), 119), White);
  EXPECT_EQ(surface.GetDevicePixel(surface.ToDevice(10), 120), White);
  surface.FillDeviceRow({10, 60, 20, 80}, 30, Green);  // past the rectangle: nothing
  EXPECT_EQ(surface.GetDevicePixel(surface.ToDevice(10), 120), White);
}

TEST(ScaledSurfaceTest, TextIsPlacedInLogicalPixelsAndDrawnAtTheScale) {
  testing::FakeFontBackend fonts;
  Surface surface(fonts, 2.0);
  surface.SetTextColor(Red);
  surface.DrawText(100, 50, "ab");
  ASSERT_EQ(fonts.Calls.size(), 1u);
  EXPECT_EQ(fonts.Calls[0].X, 100);
  EXPECT_EQ(fonts.Calls[0].Y, 50);
  EXPECT_EQ(surface.GetDevicePixel(200, 100), Red);
  EXPECT_EQ(surface.GetDevicePixel(212, 100), Red);  // the second glyph, 6 pixels on
}

}  // namespace
}  // namespace tamarack
