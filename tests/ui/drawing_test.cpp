#include "ui/drawing.h"

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "ui/logo.h"
#include "ui/window_painting.h"

namespace tamarack {
namespace {

class DrawingTest : public ::testing::Test {
 protected:
  testing::FakeFontBackend fonts;
  Surface surface{fonts};
};

TEST_F(DrawingTest, GradientBottomRowsStopShortOfTheEndColour) {
  FillGradient(surface, WindowRect, BackgroundGradient);
  EXPECT_EQ(surface.GetPixel(0, 0), MakeColor(0, 0, 224));
  EXPECT_EQ(surface.GetPixel(300, 299), MakeColor(209, 212, 253));

  FillGradient(surface, FileGroupRect, PanelGradient);
  EXPECT_EQ(surface.GetPixel(16, 40), MakeColor(220, 15, 55));
  EXPECT_EQ(surface.GetPixel(91, 115), MakeColor(244, 249, 139));

  for (uint8_t height : {1, 5, 65}) {
    FillGradient(surface, {2, 2, 3, height}, GreyGradient);
    EXPECT_EQ(surface.GetPixel(8, 8 + 4 * height - 1), MakeColor(254, 254, 254)) << int(height);
  }
}

TEST_F(DrawingTest, AtScaleTwoGradientsShadeEveryDeviceRow) {
  Surface fine(fonts, 2.0);
  FillGradient(fine, {5, 15, 17, 5}, ButtonGradient);
  // 40 device rows: green falls by 127 / 39 in every one of them.
  EXPECT_EQ(fine.GetDevicePixel(40, 120), MakeColor(0, 255, 0));
  EXPECT_EQ(fine.GetDevicePixel(40, 121), MakeColor(0, 251, 0));
  EXPECT_EQ(fine.GetDevicePixel(175, 159), MakeColor(0, 128, 0));
  EXPECT_EQ(fine.GetDevicePixel(176, 140), White);
  EXPECT_EQ(fine.GetDevicePixel(40, 160), White);
  // At scale 1 each row is a pixel row, as always.
  FillGradient(surface, {5, 15, 17, 5}, ButtonGradient);
  EXPECT_EQ(surface.GetPixel(20, 61), MakeColor(0, 248, 0));
}

TEST_F(DrawingTest, ButtonGradientOverTwentyPixelsEndsExactly) {
  FillGradient(surface, {5, 15, 17, 5}, ButtonGradient);
  EXPECT_EQ(surface.GetPixel(20, 60), MakeColor(0, 255, 0));
  EXPECT_EQ(surface.GetPixel(87, 79), MakeColor(0, 128, 0));
  // The rectangle's right edge is its last column.
  EXPECT_EQ(surface.GetPixel(88, 70), White);
}

TEST_F(DrawingTest, OneUnitHighRectangleGetsFourRowsWithStepsDividedByThree) {
  FillGradient(surface, {0, 0, 1, 1}, {0, 0, 0, 100, 10, 255});
  // Steps of 10000/3 = 3333, 1000/3 = 333 and 25500/3 = 8500.
  EXPECT_EQ(surface.GetPixel(0, 0), MakeColor(0, 0, 0));
  EXPECT_EQ(surface.GetPixel(0, 1), MakeColor(33, 3, 85));
  EXPECT_EQ(surface.GetPixel(0, 2), MakeColor(66, 6, 170));
  EXPECT_EQ(surface.GetPixel(3, 3), MakeColor(99, 9, 255));
  EXPECT_EQ(surface.GetPixel(0, 4), White);
}

TEST_F(DrawingTest, LightenGradientHalvesTheDistanceToWhite) {
  EXPECT_EQ(LightenGradient(ButtonGradient), (Gradient{127, 255, 127, 127, 191, 127}));
  EXPECT_EQ(LightenGradient(BackgroundGradient), (Gradient{127, 127, 239, 232, 235, 255}));
  EXPECT_EQ(LightenGradient(GreyGradient), (Gradient{191, 191, 191, 255, 255, 255}));
}

TEST_F(DrawingTest, WindowFormRaisedFrameHasBlackCorners) {
  surface.FillRect({0, 0, 616, 300}, Green);
  DrawRaisedFrame(surface, WindowRect);
  EXPECT_EQ(surface.GetPixel(0, 0), Black);
  EXPECT_EQ(surface.GetPixel(615, 0), Black);
  EXPECT_EQ(surface.GetPixel(0, 299), Black);
  EXPECT_EQ(surface.GetPixel(615, 299), Black);
  EXPECT_EQ(surface.GetPixel(100, 0), Grey);     // outer top
  EXPECT_EQ(surface.GetPixel(0, 100), Grey);     // outer left
  EXPECT_EQ(surface.GetPixel(100, 1), White);    // inner top
  EXPECT_EQ(surface.GetPixel(1, 100), White);    // inner left
  EXPECT_EQ(surface.GetPixel(100, 299), Black);  // outer bottom
  EXPECT_EQ(surface.GetPixel(615, 100), Black);  // outer right
  EXPECT_EQ(surface.GetPixel(100, 298), Grey);   // inner bottom
  EXPECT_EQ(surface.GetPixel(614, 100), Grey);   // inner right
  EXPECT_EQ(surface.GetPixel(1, 298), White);    // inner left reaches the inner bottom row
  EXPECT_EQ(surface.GetPixel(2, 2), Green);
}

TEST_F(DrawingTest, RaisedFrameCornersTakeThePixelLeftOfThem) {
  // Rectangle (20, 60)-(88, 80): X = 20, Y = 60, W = 68, H = 20.
  surface.FillRect({0, 0, 616, 300}, Blue);
  surface.SetPixel(17, 58, Red);
  surface.SetPixel(17, 81, Green);
  const LayoutRect r{5, 15, 17, 5};
  DrawRaisedFrame(surface, r);
  EXPECT_EQ(surface.GetPixel(18, 58), Red);
  EXPECT_EQ(surface.GetPixel(89, 58), Red);
  EXPECT_EQ(surface.GetPixel(18, 81), Green);
  EXPECT_EQ(surface.GetPixel(89, 81), Green);
  EXPECT_EQ(surface.GetPixel(19, 58), Grey);
  EXPECT_EQ(surface.GetPixel(88, 58), Grey);
  EXPECT_EQ(surface.GetPixel(19, 59), White);
  EXPECT_EQ(surface.GetPixel(88, 80), Grey);  // inner bottom ends at X + W
  EXPECT_EQ(surface.GetPixel(19, 81), Black);
  EXPECT_EQ(surface.GetPixel(89, 59), Black);
  EXPECT_EQ(surface.GetPixel(88, 59), White);  // inner top wins over inner right at Y - 1
  EXPECT_EQ(surface.GetPixel(88, 60), Grey);
}

TEST_F(DrawingTest, SunkenFramePaintsAllFourCorners) {
  surface.FillRect({0, 0, 616, 300}, Blue);
  const LayoutRect r{5, 15, 17, 5};
  DrawSunkenFrame(surface, r);
  EXPECT_EQ(surface.GetPixel(18, 58), Grey);
  EXPECT_EQ(surface.GetPixel(89, 58), Grey);
  EXPECT_EQ(surface.GetPixel(18, 81), Grey);
  EXPECT_EQ(surface.GetPixel(89, 81), White);
  EXPECT_EQ(surface.GetPixel(19, 59), Black);
  EXPECT_EQ(surface.GetPixel(19, 80), Black);
  EXPECT_EQ(surface.GetPixel(50, 80), Silver);
  EXPECT_EQ(surface.GetPixel(88, 70), Silver);
  EXPECT_EQ(surface.GetPixel(88, 59), Black);
}

TEST_F(DrawingTest, DownThenUpLeavesNoTraceOfTheSunkenCorners) {
  surface.FillRect({0, 0, 616, 300}, Blue);
  const LayoutRect r{5, 15, 17, 5};
  DrawRaisedFrame(surface, r);
  std::vector<Color> before;
  for (int y = 56; y < 84; ++y)
    for (int x = 16; x < 92; ++x) before.push_back(surface.GetPixel(x, y));
  DrawSunkenFrame(surface, r);
  DrawRaisedFrame(surface, r);
  size_t i = 0;
  for (int y = 56; y < 84; ++y)
    for (int x = 16; x < 92; ++x) EXPECT_EQ(surface.GetPixel(x, y), before[i++]) << x << "," << y;
}

TEST_F(DrawingTest, CaptionIsCentredWithTruncationTowardZero) {
  // 9 characters of 6 pixels = 54; rectangle 68 wide: (68 - 54) / 2 = 7.
  DrawCaption(surface, {5, 15, 17, 5}, "Reference", "Centre");
  ASSERT_EQ(fonts.Calls.size(), 2u);
  EXPECT_EQ(fonts.Calls[1].X, 27);
  EXPECT_EQ(fonts.Calls[1].Y, 60 + (20 - 13) / 2);
  EXPECT_EQ(fonts.Calls[0].X, 28);
  EXPECT_EQ(fonts.Calls[0].Ink, Black);
  EXPECT_EQ(fonts.Calls[1].Ink, White);

  // 13 characters = 78 pixels in a 68-pixel rectangle: (68 - 78) / 2 = -5;
  // a 71-pixel-wide caption (odd difference -7 halves to -3, not -4).
  fonts.Calls.clear();
  DrawCaption(surface, {5, 15, 17, 5}, "Patch Codes!!", "Centre");
  EXPECT_EQ(fonts.Calls[1].X, 20 - 5);
}

TEST_F(DrawingTest, CaptionStyleWords) {
  DrawCaption(surface, TitleRect, "Tamarack", "LeftBig");
  EXPECT_EQ(fonts.Calls[1].X, 28);
  EXPECT_EQ(fonts.Calls[1].Y, 8 + (16 - 16) / 2);
  EXPECT_EQ(fonts.Calls[1].Font, CaptionFont::Big);
  EXPECT_EQ(surface.Font(), CaptionFont::Big);

  fonts.Calls.clear();
  DrawCaption(surface, FileGroupRect, "File", "Top");
  EXPECT_EQ(fonts.Calls[1].Y, 40);
  EXPECT_EQ(fonts.Calls[1].X, 16 + (76 - 24) / 2);

  fonts.Calls.clear();
  DrawCaption(surface, {5, 15, 17, 5}, "X", "CentreDownBig");
  EXPECT_EQ(fonts.Calls[1].X, 20 + (68 - 7) / 2 + 1);
  EXPECT_EQ(fonts.Calls[1].Y, 60 + (20 - 16) / 2 + 1);

  fonts.Calls.clear();
  DrawCaption(surface, ProgressRect, "Analyzing - 42%", "Neg");
  EXPECT_EQ(fonts.Calls[0].Ink, White);
  EXPECT_EQ(fonts.Calls[1].Ink, Black);
  EXPECT_EQ(fonts.Calls[1].Font, CaptionFont::Normal);
}

TEST_F(DrawingTest, LogoCornersKeepTheBackground) {
  surface.FillRect({0, 0, 616, 300}, Blue);
  DrawLogo(surface);
  EXPECT_EQ(surface.GetPixel(8, 8), Blue);
  EXPECT_EQ(surface.GetPixel(23, 8), Blue);
  EXPECT_EQ(surface.GetPixel(8, 23), Blue);
  EXPECT_EQ(surface.GetPixel(23, 23), Blue);
  EXPECT_EQ(surface.GetPixel(9, 8), LogoPalette[2]);
  EXPECT_EQ(surface.GetPixel(15, 15), LogoPalette[10]);
  EXPECT_EQ(surface.GetPixel(24, 10), Blue);
}

TEST_F(DrawingTest, PaintWindowLayersPanelsFramesLogoAndCaptionsInOrder) {
  PaintWindow(surface, "Tamarack");
  // The window form's raised frame over the background.
  EXPECT_EQ(surface.GetPixel(0, 0), Black);
  EXPECT_EQ(surface.GetPixel(300, 0), Grey);
  EXPECT_EQ(surface.GetPixel(300, 1), White);
  EXPECT_EQ(surface.GetPixel(300, 2), MakeColor(1, 1, 224));  // background row 2
  // The main panel and a group panel, each inside its sunken frame.
  EXPECT_EQ(surface.GetPixel(100, 30), Grey);
  EXPECT_EQ(surface.GetPixel(100, 31), Black);
  EXPECT_EQ(surface.GetPixel(100, 32), MakeColor(128, 128, 128));
  EXPECT_EQ(surface.GetPixel(17, 40), MakeColor(220, 15, 55));
  // The view area is white with its frame, and the progress bar's frame is
  // drawn over the white; the inside of the bar stays white.
  EXPECT_EQ(surface.GetPixel(103, 100), Black);
  EXPECT_EQ(surface.GetPixel(300, 150), White);
  EXPECT_EQ(surface.GetPixel(200, 254), Grey);
  EXPECT_EQ(surface.GetPixel(200, 255), Black);
  EXPECT_EQ(surface.GetPixel(200, 266), White);
  // No buttons yet: the File group's panel shows where button 1 goes.
  EXPECT_EQ(surface.GetPixel(21, 61).R, surface.GetPixel(17, 61).R);
  // The logo over the background, its corners left alone.
  EXPECT_EQ(surface.GetPixel(15, 15), LogoPalette[10]);
  EXPECT_EQ(surface.GetPixel(8, 8), surface.GetPixel(24, 8));

  std::vector<std::string> texts;
  for (const auto& call : fonts.Calls) {
    if (call.Ink == White) texts.push_back(call.Text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Tamarack", "File", "Create", "Repair With", "View",
                                             "Program"}));
  EXPECT_EQ(fonts.Calls[1].X, 28);
  EXPECT_EQ(fonts.Calls[1].Y, 8);
  EXPECT_EQ(fonts.Calls[1].Font, CaptionFont::Big);
  EXPECT_EQ(fonts.Calls[3].Y, 40);  // "File" at the top of its group
  EXPECT_EQ(fonts.Calls[3].Font, CaptionFont::Normal);
}

}  // namespace
}  // namespace tamarack
