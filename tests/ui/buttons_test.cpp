#include "ui/buttons.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fakes.h"
#include "support/pixel_checks.h"

namespace tamarack {
namespace {

using testing::ExpectPixels;

struct PixelBox {
  int X, Y, W, H;
};

// The buttons in pixels, as the window's layout places them.
const PixelBox ButtonPixels[ButtonCount] = {
    {20, 60, 68, 20},   {20, 88, 68, 20},   {20, 144, 68, 20},  {20, 172, 68, 20},
    {20, 228, 68, 20},  {20, 256, 68, 20},  {528, 60, 68, 20},  {528, 88, 68, 20},
    {528, 116, 68, 20}, {528, 144, 68, 20}, {528, 200, 68, 20}, {528, 228, 68, 20},
    {528, 256, 68, 20}, {108, 256, 68, 20}, {568, 8, 16, 16},   {592, 8, 16, 16},
};

const char* const Captions[ButtonCount] = {
    "File",        "Analyze",    "Backup",      "Patch", "Reference", "Patch",
    "Information", "Analysis",   "Patch Codes", "Help",  "Feedback",  "Website",
    "Version",     "Pause/Stop", "_",           "X",
};

TEST(ButtonAtTest, FindsEachButtonOverItsWholeRectangleAndNothingAroundIt) {
  for (int id = 1; id <= ButtonCount; ++id) {
    SCOPED_TRACE("button " + std::to_string(id));
    const PixelBox b = ButtonPixels[id - 1];
    EXPECT_STREQ(ButtonTable[id - 1].Caption, Captions[id - 1]);
    EXPECT_EQ(ButtonAt(b.X, b.Y), id);
    EXPECT_EQ(ButtonAt(b.X + b.W - 1, b.Y), id);
    EXPECT_EQ(ButtonAt(b.X, b.Y + b.H - 1), id);
    EXPECT_EQ(ButtonAt(b.X + b.W - 1, b.Y + b.H - 1), id);
    EXPECT_NE(ButtonAt(b.X - 1, b.Y), id);
    EXPECT_NE(ButtonAt(b.X + b.W, b.Y), id);
    EXPECT_NE(ButtonAt(b.X, b.Y - 1), id);
    EXPECT_NE(ButtonAt(b.X, b.Y + b.H), id);
  }
  EXPECT_EQ(ButtonAt(0, 0), 0);
  EXPECT_EQ(ButtonAt(300, 150), 0);
  EXPECT_EQ(ButtonAt(615, 299), 0);
}

TEST(ButtonAtTest, TakesCoordinatesAsUnsigned16BitValues) {
  // Left of or above the window is a very large value and hits nothing.
  EXPECT_EQ(ButtonAt(-1, 70), 0);
  EXPECT_EQ(ButtonAt(30, -1), 0);
  EXPECT_EQ(ButtonAt(-4, -4), 0);
  EXPECT_EQ(ButtonAt(-32768, 70), 0);
  // Only the low 16 bits count.
  EXPECT_EQ(ButtonAt(30 - 65536, 70), SelectClearButton);
  EXPECT_EQ(ButtonAt(30 + 65536, 70 + 65536), SelectClearButton);
}

class ButtonsTest : public ::testing::Test {
 protected:
  // The last text drawn: the caption itself, after its shadow.
  const testing::FakeFontBackend::DrawCall& LastText() const { return fonts.Calls.back(); }

  testing::FakeFontBackend fonts;
  Surface surface{fonts};
  bool fileSelected = false;
  Buttons buttons{surface, [this] { return fileSelected; }};
};

// Up: a raised frame, the green face and a white caption; Down: sunken,
// lighter and the caption one pixel down and right; Disabled: raised again
// with the grey face and the same caption colours.
TEST_F(ButtonsTest, EachStateHasItsFrameFaceAndCaption) {
  surface.FillRect({0, 0, 616, 300}, Blue);
  buttons.DrawButton(AnalyzeButton, ButtonState::Up);  // x 20..87, y 88..107
  EXPECT_EQ(buttons.State(AnalyzeButton), ButtonState::Up);
  ExpectPixels(surface, {{20, 88, MakeColor(0, 255, 0)},
                         {87, 107, MakeColor(0, 128, 0)},
                         {18, 95, Grey},
                         {19, 95, White},
                         {88, 95, Grey},
                         {89, 95, Black},
                         {18, 86, Blue}});  // the corner shows the surface around it
  EXPECT_EQ(LastText().Text, "Analyze");
  EXPECT_EQ(LastText().X, 33);  // 42 pixels of caption centred in 68
  EXPECT_EQ(LastText().Y, 91);
  EXPECT_EQ(LastText().Ink, White);
  EXPECT_EQ(LastText().Font, CaptionFont::Normal);

  buttons.DrawButton(AnalyzeButton, ButtonState::Down);
  EXPECT_EQ(buttons.State(AnalyzeButton), ButtonState::Down);
  ExpectPixels(surface, {{20, 88, MakeColor(127, 255, 127)},
                         {87, 107, MakeColor(127, 191, 127)},
                         {18, 86, Grey},
                         {19, 95, Black},
                         {88, 95, Silver},
                         {89, 95, White}});
  EXPECT_EQ(LastText().X, 34);
  EXPECT_EQ(LastText().Y, 92);

  buttons.DrawButton(PauseStopButton, ButtonState::Down);
  buttons.DrawButton(PauseStopButton, ButtonState::Disabled);  // x 108..175, y 256..275
  EXPECT_EQ(buttons.State(PauseStopButton), ButtonState::Disabled);
  ExpectPixels(surface, {{108, 256, MakeColor(128, 128, 128)},
                         {175, 275, MakeColor(254, 254, 254)},
                         {107, 260, White},
                         {176, 260, Grey}});
  const auto& shadow = fonts.Calls[fonts.Calls.size() - 2];
  EXPECT_EQ(shadow.Ink, Black);
  EXPECT_EQ(shadow.X, 113);
  EXPECT_EQ(LastText().Ink, White);
  EXPECT_EQ(LastText().X, 112);
}

TEST_F(ButtonsTest, FirstButtonShowsSelectOrClearNeverItsTableCaption) {
  buttons.DrawButton(SelectClearButton, ButtonState::Up);
  EXPECT_EQ(LastText().Text, "Select");
  fileSelected = true;
  buttons.DrawButton(SelectClearButton, ButtonState::Disabled);
  EXPECT_EQ(LastText().Text, "Clear");
  fileSelected = false;
  buttons.DrawButton(SelectClearButton, ButtonState::Down);
  EXPECT_EQ(LastText().Text, "Select");
  for (const auto& call : fonts.Calls) EXPECT_NE(call.Text, "File");
}

TEST_F(ButtonsTest, MinimiseAndCloseCaptionsAreBig) {
  buttons.DrawButton(MinimizeButton, ButtonState::Up);
  EXPECT_EQ(LastText().Text, "_");
  EXPECT_EQ(LastText().Font, CaptionFont::Big);
  EXPECT_EQ(LastText().X, 572);
  buttons.DrawButton(CloseButton, ButtonState::Down);
  EXPECT_EQ(LastText().Text, "X");
  EXPECT_EQ(LastText().Font, CaptionFont::Big);
  EXPECT_EQ(LastText().X, 597);
  EXPECT_EQ(LastText().Y, 9);
}

TEST_F(ButtonsTest, OperationButtonsAreDrawnTwoToSixInOrder) {
  buttons.DrawButton(SelectClearButton, ButtonState::Up);
  fonts.Calls.clear();
  buttons.DrawOperationButtons(ButtonState::Up);
  std::vector<std::string> captions;
  for (size_t i = 1; i < fonts.Calls.size(); i += 2) captions.push_back(fonts.Calls[i].Text);
  EXPECT_EQ(captions,
            (std::vector<std::string>{"Analyze", "Backup", "Patch", "Reference", "Patch"}));
  for (int id : {AnalyzeButton, CreateBackupButton, CreatePatchButton, RepairReferenceButton,
                 RepairPatchButton}) {
    EXPECT_EQ(buttons.State(id), ButtonState::Up) << id;
  }
  for (int id : {InformationButton, PauseStopButton, CloseButton}) {
    EXPECT_EQ(buttons.State(id), ButtonState::Disabled) << id;
  }
}

}  // namespace
}  // namespace tamarack
