#include "platform/surface.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace tamarack {
namespace {

TEST(SurfaceTest, ReadsOutsideTheBitmapAreInvalid) {
  testing::FakeFontBackend fonts;
  Surface surface(fonts);
  EXPECT_FALSE(surface.GetPixel(-1, 0).Valid);
  EXPECT_FALSE(surface.GetPixel(616, 0).Valid);
  EXPECT_FALSE(surface.GetPixel(0, 300).Valid);
  EXPECT_TRUE(surface.GetPixel(615, 299).Valid);
  surface.SetPixel(-1, -1, Red);  // not drawn, no crash
  surface.FillRect({-10, -10, 2, 2}, Red);
  EXPECT_EQ(surface.GetPixel(1, 1), Red);
  EXPECT_EQ(surface.GetPixel(2, 2), White);
}

TEST(SurfaceTest, LinesLeaveOutTheirEndPoint) {
  testing::FakeFontBackend fonts;
  Surface surface(fonts);
  surface.DrawLine(10, 10, 15, 10, Red);
  EXPECT_EQ(surface.GetPixel(10, 10), Red);
  EXPECT_EQ(surface.GetPixel(14, 10), Red);
  EXPECT_EQ(surface.GetPixel(15, 10), White);
  surface.DrawLine(15, 20, 10, 20, Red);
  EXPECT_EQ(surface.GetPixel(15, 20), Red);
  EXPECT_EQ(surface.GetPixel(11, 20), Red);
  EXPECT_EQ(surface.GetPixel(10, 20), White);
  surface.DrawLine(30, 30, 30, 33, Blue);
  EXPECT_EQ(surface.GetPixel(30, 32), Blue);
  EXPECT_EQ(surface.GetPixel(30, 33), White);
  surface.DrawLine(40, 40, 43, 43, Blue);
  EXPECT_EQ(surface.GetPixel(42, 42), Blue);
  EXPECT_EQ(surface.GetPixel(43, 43), White);
  surface.DrawLine(50, 50, 50, 50, Blue);
  EXPECT_EQ(surface.GetPixel(50, 50), White);
}

TEST(SurfaceTest, FrameIsOnePixelInsideTheRectangle) {
  testing::FakeFontBackend fonts;
  Surface surface(fonts);
  surface.FrameRect({10, 10, 20, 15}, Grey);
  EXPECT_EQ(surface.GetPixel(10, 10), Grey);
  EXPECT_EQ(surface.GetPixel(19, 14), Grey);
  EXPECT_EQ(surface.GetPixel(15, 12), White);
  EXPECT_EQ(surface.GetPixel(20, 12), White);
}

TEST(SurfaceTest, ChangesAccumulateIntoOneDirtyRectangle) {
  testing::FakeFontBackend fonts;
  Surface surface(fonts);
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

}  // namespace
}  // namespace tamarack
