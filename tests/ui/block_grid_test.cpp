#include "ui/block_grid.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace tamarack {
namespace {

class BlockGridTest : public ::testing::Test {
 protected:
  Color At(int x, int y) const { return surface.GetPixel(x, y); }

  bool DrawsNothing() {
    const PixelRect dirty = surface.TakeDirtyRect();
    return dirty.Left >= dirty.Right;
  }

  int CountInMap(Color c) const {
    int n = 0;
    for (int y = 44; y < 252; ++y) {
      for (int x = 104; x < 512; ++x) n += At(x, y) == c;
    }
    return n;
  }

  // The one-pixel frame (l,t)-(r,b) is grey all round and has no grey just
  // outside its corners.
  void ExpectFrame(int l, int t, int r, int b) {
    for (int x = l; x < r; ++x) {
      ASSERT_EQ(At(x, t), Grey) << x << "," << t;
      ASSERT_EQ(At(x, b - 1), Grey) << x << "," << b - 1;
    }
    for (int y = t; y < b; ++y) {
      ASSERT_EQ(At(l, y), Grey) << l << "," << y;
      ASSERT_EQ(At(r - 1, y), Grey) << r - 1 << "," << y;
    }
    EXPECT_NE(At(l - 1, t - 1), Grey);
    EXPECT_NE(At(r, b), Grey);
  }

  testing::FakeFontBackend fonts;
  Surface surface{fonts};
  BlockGrid grid{surface};
};

TEST_F(BlockGridTest, CleanMapHasItsAreaLabelsFramesAndLines) {
  surface.FillRect({0, 0, Surface::Width, Surface::Height}, Red);
  surface.SetFont(CaptionFont::Big);
  grid.DrawGrid();
  EXPECT_TRUE(grid.GridClean());

  EXPECT_EQ(At(104, 44), White);
  EXPECT_EQ(At(511, 251), White);
  EXPECT_EQ(At(103, 44), Red);
  EXPECT_EQ(At(512, 44), Red);
  EXPECT_EQ(At(104, 252), Red);

  ASSERT_EQ(fonts.Calls.size(), 3u);
  const struct {
    int X, Y;
    const char* Text;
  } labels[] = {{107, 46, "Header"}, {108, 69, "Video/Audio"}, {107, 207, "Index"}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(fonts.Calls[i].X, labels[i].X);
    EXPECT_EQ(fonts.Calls[i].Y, labels[i].Y);
    EXPECT_EQ(fonts.Calls[i].Text, labels[i].Text);
    EXPECT_EQ(fonts.Calls[i].Ink, Black);
    EXPECT_EQ(fonts.Calls[i].Font, CaptionFont::Normal);
  }

  ExpectFrame(108, 61, 114, 67);
  ExpectFrame(108, 84, 509, 205);
  ExpectFrame(108, 222, 509, 228);
  for (int k = 1; k <= 23; ++k) {
    const int y = 84 + 5 * k;
    for (int x = 109; x <= 507; ++x) ASSERT_EQ(At(x, y), Grey) << x << "," << y;
  }
  for (int k = 1; k <= 79; ++k) {
    const int x = 108 + 5 * k;
    for (int y = 85; y <= 203; ++y) ASSERT_EQ(At(x, y), Grey) << x << "," << y;
    for (int y = 223; y <= 226; ++y) ASSERT_EQ(At(x, y), Grey) << x << "," << y;
    EXPECT_EQ(At(x, 205), White);
    EXPECT_EQ(At(x, 221), White);
    EXPECT_EQ(At(x, 228), White);
  }
}

// Each cell's square sits at its top-left pixel; all 2001 squares of 16
// pixels lie between the lines, none overlapping, none touching a line.
TEST_F(BlockGridTest, CellsFillTheSquaresBetweenTheLines) {
  grid.DrawGrid();
  const int grey = CountInMap(Grey);
  const struct {
    uint16_t Index;
    int X, Y;
  } cells[] = {{1, 109, 62},     {2, 109, 85},     {81, 504, 85},   {82, 109, 90},
               {1921, 504, 200}, {1922, 109, 223}, {2001, 504, 223}};
  for (const auto& cell : cells) {
    grid.PaintCell(cell.Index, Blue);
    for (int dy = 0; dy < 4; ++dy) {
      for (int dx = 0; dx < 4; ++dx) {
        EXPECT_EQ(At(cell.X + dx, cell.Y + dy), Blue) << "cell " << cell.Index;
      }
    }
    EXPECT_EQ(At(cell.X - 1, cell.Y - 1), Grey) << "cell " << cell.Index;
    EXPECT_EQ(At(cell.X + 4, cell.Y + 4), Grey) << "cell " << cell.Index;
  }
  EXPECT_EQ(CountInMap(Blue), 7 * 16);
  for (int index = 1; index <= CellCount; ++index) {
    grid.PaintCell(static_cast<uint16_t>(index), Red);
  }
  EXPECT_EQ(CountInMap(Red), CellCount * 16);
  EXPECT_EQ(CountInMap(Grey), grey);
  EXPECT_TRUE(grid.GridClean());  // painting leaves the flag to the operations
}

TEST_F(BlockGridTest, CleanMapIsNotDrawnAgainUntilCellsArePainted) {
  grid.DrawGrid();
  grid.PaintCell(6, Green);  // square at (129, 85)
  DrawsNothing();
  grid.DrawGrid();
  EXPECT_TRUE(DrawsNothing());
  EXPECT_EQ(At(129, 85), Green);

  grid.SetGridClean(false);  // as an operation that paints sets it
  grid.DrawGrid();
  EXPECT_FALSE(DrawsNothing());
  EXPECT_EQ(At(129, 85), White);
  EXPECT_TRUE(grid.GridClean());
}

TEST_F(BlockGridTest, IndexOutsideTheMapPaintsNothing) {
  grid.DrawGrid();
  DrawsNothing();
  EXPECT_DEBUG_DEATH(grid.PaintCell(0, Red), "");
  EXPECT_DEBUG_DEATH(grid.PaintCell(CellCount + 1, Red), "");
  EXPECT_DEBUG_DEATH(grid.PaintCell(65535, Red), "");
  EXPECT_TRUE(DrawsNothing());
}

TEST_F(BlockGridTest, DescriptionCountsTheRedCellsAndTheOtherColours) {
  grid.DrawGrid();
  EXPECT_EQ(grid.Description(), "Nothing has been painted on the map yet.");
  for (uint16_t i = 1; i <= CellCount; ++i) grid.PaintCell(i, i <= 2000 ? Green : Red);
  // One red cell is never rounded down to no damage.
  EXPECT_EQ(grid.Description(), "1 of 2001 cells red, with an error (1 %), 2000 green.");
  grid.SetGridClean(false);
  grid.DrawGrid();
  for (uint16_t i = 1; i <= 1000; ++i) grid.PaintCell(i, i % 2 ? Red : Blue);
  EXPECT_EQ(grid.Description(),
            "500 of 2001 cells red, with an error (25 %), 500 blue, 1001 not painted.");
}

}  // namespace
}  // namespace tamarack
