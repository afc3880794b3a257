#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "app/program.h"
#include "platform/qt/qt_font_backend.h"
#include "support/fakes.h"
#include "ui/block_grid.h"
#include "ui/layout.h"

namespace tamarack {
namespace {

// The whole program on fakes but for the text, which the real font engine
// draws into a bitmap of the given device scale.
class DeviceScaleTest : public ::testing::Test {
 protected:
  std::unique_ptr<Program> Start(double scale) {
    fonts = std::make_unique<QtFontBackend>(scale);
    auto program = std::make_unique<Program>(
        PlatformServices{*fonts, memo, dialogs, pump, clock, shell, window, files, scale});
    memo.SetText("help text");
    program->DoInit();
    return program;
  }

  // How many neighbouring device pixels of a row, the left one at an even
  // column, differ within the rectangle. A picture enlarged from half the
  // resolution has none.
  static int SplitPairs(const Surface& bitmap, const PixelRect& r) {
    int split = 0;
    for (int y = bitmap.ToDevice(r.Top); y < bitmap.ToDevice(r.Bottom); ++y) {
      for (int x = bitmap.ToDevice(r.Left) / 2 * 2; x + 1 < bitmap.ToDevice(r.Right); x += 2) {
        if (bitmap.GetDevicePixel(x, y) != bitmap.GetDevicePixel(x + 1, y)) ++split;
      }
    }
    return split;
  }

  // The colours within the rectangle other than those of its face: what the
  // font engine painted besides full ink, shadow and background.
  static std::set<uint32_t> BlendedColours(const Surface& bitmap, const PixelRect& r,
                                           const std::set<uint32_t>& plain) {
    std::set<uint32_t> blended;
    for (int y = bitmap.ToDevice(r.Top); y < bitmap.ToDevice(r.Bottom); ++y) {
      const Color face = bitmap.GetDevicePixel(bitmap.ToDevice(r.Left), y);
      for (int x = bitmap.ToDevice(r.Left); x < bitmap.ToDevice(r.Right); ++x) {
        const Color c = bitmap.GetDevicePixel(x, y);
        const uint32_t rgb = (c.R << 16) | (c.G << 8) | c.B;
        if (c != face && !plain.count(rgb)) blended.insert(rgb);
      }
    }
    return blended;
  }

  std::unique_ptr<QtFontBackend> fonts;
  testing::FakeTextView memo;
  testing::FakeDialogs dialogs;
  testing::FakeEventPump pump;
  testing::FakeClock clock;
  testing::FakeShell shell;
  testing::FakeWindowHost window;
  testing::FakeFileSystem files;
};

TEST_F(DeviceScaleTest, AtScaleTwoCellsAreEightDevicePixelsAndGridLinesTwo) {
  const auto program = Start(2.0);
  const Surface& bitmap = program->Bitmap;
  ASSERT_EQ(bitmap.DeviceWidth(), 1232);
  program->Grid.DrawGrid();
  for (const uint16_t index :
       {uint16_t{1}, uint16_t{2}, uint16_t{81}, uint16_t{1921}, uint16_t{2001}}) {
    program->Grid.PaintCell(index, Red);
    const CellOrigin o = CellPosition(index);
    const int x0 = 2 * o.X;
    const int y0 = 2 * o.Y;
    for (int y = y0; y < y0 + 8; ++y) {
      for (int x = x0; x < x0 + 8; ++x) ASSERT_EQ(bitmap.GetDevicePixel(x, y), Red) << index;
    }
    // Framed by grid lines two device pixels wide.
    for (const int d : {1, 2}) {
      EXPECT_EQ(bitmap.GetDevicePixel(x0 - d, y0), Grey) << index;
      EXPECT_EQ(bitmap.GetDevicePixel(x0 + 7 + d, y0 + 7), Grey) << index;
      EXPECT_EQ(bitmap.GetDevicePixel(x0, y0 + 7 + d), Grey) << index;
    }
  }
}

TEST_F(DeviceScaleTest, AtScaleTwoCaptionsAreRenderedAtTheDeviceResolution) {
  const auto program = Start(2.0);
  const Surface& bitmap = program->Bitmap;
  const std::set<uint32_t> ink = {0xFFFFFF, 0x000000};
  for (const int id : {int{SelectClearButton}, int{InformationButton}, int{CloseButton}}) {
    const PixelRect r = ToPixels(ButtonTable[id - 1].Rect);
    // Smoothed edges: colours between ink, shadow and face...
    EXPECT_GE(BlendedColours(bitmap, r, ink).size(), 3u) << id;
    // ...and detail finer than a window pixel.
    EXPECT_GE(SplitPairs(bitmap, r), 10) << id;
  }
  EXPECT_GE(SplitPairs(bitmap, ToPixels(TitleRect)), 10);
  // The map's labels too.
  program->RunCommand(AnalysisButton);
  EXPECT_GE(SplitPairs(bitmap, {104, 44, 160, 60}), 10);

  // Shapes have no finer detail than the window's pixels: the face of a
  // button is shaded row by row, never across.
  EXPECT_EQ(SplitPairs(bitmap, {20, 60, 40, 62}), 0);
}

TEST_F(DeviceScaleTest, AtScaleOneTheBitmapIsTheWindowsOwnPixels) {
  const auto program = Start(1.0);
  const Surface& bitmap = program->Bitmap;
  EXPECT_EQ(bitmap.DeviceWidth(), Surface::Width);
  EXPECT_EQ(bitmap.DeviceHeight(), Surface::Height);
  for (int y = 0; y < Surface::Height; y += 7) {
    for (int x = 0; x < Surface::Width; x += 5) {
      ASSERT_EQ(bitmap.GetPixel(x, y), bitmap.GetDevicePixel(x, y)) << x << ", " << y;
    }
  }
}

}  // namespace
}  // namespace tamarack
