#include "ui/drawing.h"

#include <gtest/gtest.h>

#include "support/fakes.h"
#include "support/pixel_checks.h"
#include "ui/logo.h"
#include "ui/window_painting.h"

namespace tamarack {
namespace {

using testing::ExpectPixels;

class DrawingTest : public ::testing::Test {
 protected:
  testing::FakeFontBackend fonts;
  Surface surface{fonts};
};

// A gradient's bottom row stops a step short of the end colour, except over
// twenty pixels (the buttons), where it ends exactly; one unit high is four
// rows with steps divided by three.
TEST_F(DrawingTest, GradientsStepRowByRow) {
  FillGradient(surface, WindowRect, BackgroundGradient);
  FillGradient(surface, FileGroupRect, PanelGradient);
  ExpectPixels(surface, {{0, 0, MakeColor(0, 0, 224)},
                         {300, 299, MakeColor(209, 212, 253)},
                         {16, 40, MakeColor(220, 15, 55)},
                         {91, 115, MakeColor(244, 249, 139)}});
  for (uint8_t height : {1, 5, 65}) {
    FillGradient(surface, {2, 2, 3, height}, GreyGradient);
    EXPECT_EQ(surface.GetPixel(8, 8 + 4 * height - 1), MakeColor(254, 254, 254)) << int(height);
  }
  // The rectangle's right edge is its last column.
  surface.FillRect({0, 0, 616, 300}, White);
  FillGradient(surface, {5, 15, 17, 5}, ButtonGradient);
  ExpectPixels(surface, {{20, 60, MakeColor(0, 255, 0)},
                         {20, 61, MakeColor(0, 248, 0)},
                         {87, 79, MakeColor(0, 128, 0)},
                         {88, 70, White}});
  // Steps of 10000/3 = 3333, 1000/3 = 333 and 25500/3 = 8500.
  surface.FillRect({0, 0, 616, 300}, White);
  FillGradient(surface, {0, 0, 1, 1}, {0, 0, 0, 100, 10, 255});
  ExpectPixels(surface, {{0, 0, MakeColor(0, 0, 0)},
                         {0, 1, MakeColor(33, 3, 85)},
                         {0, 2, MakeColor(66, 6, 170)},
                         {3, 3, MakeColor(99, 9, 255)},
                         {0, 4, White}});
  EXPECT_EQ(LightenGradient(ButtonGradient), (Gradient{127, 255, 127, 127, 191, 127}));
  EXPECT_EQ(LightenGradient(BackgroundGradient), (Gradient{127, 127, 239, 232, 235, 255}));
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
}

TEST_F(DrawingTest, WindowFormRaisedFrameHasBlackCorners) {
  surface.FillRect({0, 0, 616, 300}, Green);
  DrawRaisedFrame(surface, WindowRect);
  ExpectPixels(surface, {{0, 0, Black},
                         {615, 0, Black},
                         {0, 299, Black},
                         {615, 299, Black},
                         {100, 0, Grey},
                         {0, 100, Grey},
                         {100, 1, White},
                         {1, 100, White},
                         {100, 299, Black},
                         {615, 100, Black},
                         {100, 298, Grey},
                         {614, 100, Grey},
                         {1, 298, White},
                         {2, 2, Green}});
}

// The raised frame's corners take the pixel left of them; the sunken one
// paints all four; down then up leaves no trace of the sunken corners.
TEST_F(DrawingTest, ButtonFramesAroundTheirRectangle) {
  // Rectangle (20, 60)-(88, 80): X = 20, Y = 60, W = 68, H = 20.
  const LayoutRect r{5, 15, 17, 5};
  surface.FillRect({0, 0, 616, 300}, Blue);
  surface.SetPixel(17, 58, Red);
  surface.SetPixel(17, 81, Green);
  DrawRaisedFrame(surface, r);
  ExpectPixels(surface, {{18, 58, Red},
                         {89, 58, Red},
                         {18, 81, Green},
                         {89, 81, Green},
                         {19, 58, Grey},
                         {88, 58, Grey},
                         {19, 59, White},
                         {88, 80, Grey},  // inner bottom ends at X + W
                         {19, 81, Black},
                         {89, 59, Black},
                         {88, 59, White},  // inner top wins over inner right at Y - 1
                         {88, 60, Grey}});
  std::vector<Color> raised;
  for (int y = 56; y < 84; ++y)
    for (int x = 16; x < 92; ++x) raised.push_back(surface.GetPixel(x, y));

  DrawSunkenFrame(surface, r);
  ExpectPixels(surface, {{18, 58, Grey},
                         {89, 58, Grey},
                         {18, 81, Grey},
                         {89, 81, White},
                         {19, 59, Black},
                         {19, 80, Black},
                         {50, 80, Silver},
                         {88, 70, Silver},
                         {88, 59, Black}});
  DrawRaisedFrame(surface, r);
  size_t i = 0;
  for (int y = 56; y < 84; ++y)
    for (int x = 16; x < 92; ++x) ASSERT_EQ(surface.GetPixel(x, y), raised[i++]) << x << "," << y;
}

TEST_F(DrawingTest, CaptionStylesPlaceTheText) {
  struct Case {
    LayoutRect Rect;
    const char* Text;
    const char* Style;
    int X, Y;
    CaptionFont Font;
    Color Ink;  // of the caption, drawn after its shadow
  };
  const Case cases[] = {
      // 9 characters of 6 pixels = 54 in 68: (68 - 54) / 2 = 7.
      {{5, 15, 17, 5}, "Reference", "Centre", 27, 63, CaptionFont::Normal, White},
      // 78 pixels in 68: (68 - 78) / 2 = -5, truncated toward zero.
      {{5, 15, 17, 5}, "Patch Codes!!", "Centre", 15, 63, CaptionFont::Normal, White},
      {TitleRect, "Tamarack", "LeftBig", 28, 8, CaptionFont::Big, White},
      {FileGroupRect, "File", "Top", 16 + (76 - 24) / 2, 40, CaptionFont::Normal, White},
      {{5, 15, 17, 5}, "X", "CentreDownBig", 20 + (68 - 7) / 2 + 1, 63, CaptionFont::Big, White},
      {ProgressRect, "Analyzing - 42%", "Neg", 184 + (324 - 90) / 2, 259, CaptionFont::Normal,
       Black},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Style);
    fonts.Calls.clear();
    DrawCaption(surface, c.Rect, c.Text, c.Style);
    ASSERT_EQ(fonts.Calls.size(), 2u);
    const auto& shadow = fonts.Calls[0];
    const auto& caption = fonts.Calls[1];
    EXPECT_EQ(caption.Text, c.Text);
    EXPECT_EQ(caption.X, c.X);
    EXPECT_EQ(caption.Y, c.Y);
    EXPECT_EQ(caption.Font, c.Font);
    EXPECT_EQ(surface.Font(), c.Font);
    EXPECT_EQ(caption.Ink, c.Ink);
    EXPECT_EQ(shadow.Ink, c.Ink == White ? Black : White);
    EXPECT_EQ(shadow.X, c.X + 1);
  }
}

TEST_F(DrawingTest, PaintWindowLayersPanelsFramesLogoAndCaptionsInOrder) {
  surface.FillRect({0, 0, 616, 300}, Blue);
  DrawLogo(surface);
  // The logo's corners keep the background.
  ExpectPixels(surface, {{8, 8, Blue},
                         {23, 8, Blue},
                         {8, 23, Blue},
                         {23, 23, Blue},
                         {24, 10, Blue},
                         {9, 8, LogoPalette[2]},
                         {15, 15, LogoPalette[10]}});

  PaintWindow(surface, "Tamarack");
  ExpectPixels(surface, {// The window form's raised frame over the background.
                         {0, 0, Black},
                         {300, 0, Grey},
                         {300, 1, White},
                         {300, 2, MakeColor(1, 1, 224)},
                         // The main panel and a group panel, each inside its sunken frame.
                         {100, 30, Grey},
                         {100, 31, Black},
                         {100, 32, MakeColor(128, 128, 128)},
                         {17, 40, MakeColor(220, 15, 55)},
                         // The view area is white with its frame, and the progress bar's
                         // frame is drawn over the white; the inside of the bar stays white.
                         {103, 100, Black},
                         {300, 150, White},
                         {200, 254, Grey},
                         {200, 255, Black},
                         {200, 266, White},
                         {15, 15, LogoPalette[10]}});
  // No buttons yet: the File group's panel shows where button 1 goes.
  EXPECT_EQ(surface.GetPixel(21, 61).R, surface.GetPixel(17, 61).R);
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
