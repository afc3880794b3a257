#include "app/tamarack_form.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <string>
#include <vector>

#include "ui/help_text.h"
#include "ui/layout.h"
#include "window/qt_events.h"
#include "window/window_pixels.h"

namespace tamarack {
namespace {

QPoint Centre(int id) {
  const PixelRect r = ToPixels(ButtonTable[id - 1].Rect);
  return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

TEST(TamarackFormTest, StartsAsTheProgramDrewItAndFollowsClicks) {
  TamarackForm form;
  form.ViewMemo().SetText(HelpText());
  form.show();
  Program& program = form.Logic();
  ASSERT_TRUE(testing::ProcessEventsUntil([&] {
    return program.ButtonPanel.State(InformationButton) == ButtonState::Down;
  })) << "DoInit did not run";

  EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(form.size(), QSize(616, 300));
  // The bitmap is drawn for the screen: one device pixel a screen pixel.
  EXPECT_EQ(program.Bitmap.DeviceScale(), form.devicePixelRatio());
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Tamarack"));
  const PixelRect area = ToPixels(ViewAreaRect);
  QPlainTextEdit* memo = form.ViewMemo().Widget();
  EXPECT_EQ(memo->geometry(), QRect(area.Left, area.Top, 408, 236));
  EXPECT_TRUE(memo->isVisible());
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(form.ViewMemo().DisplayedLines(),
            (std::vector<std::string>{"<No AVI video file selected>", ""}));
  EXPECT_EQ(testing::CompareWithBitmap(form, program.Bitmap, area), "");

  // DoInit read the help text from the shown control as it was written:
  // no line, not even the rule line, was wider than the control. Only the
  // empty last line is left out.
  EXPECT_EQ(program.ViewArea.Store(View::Help) + "\r\n", HelpText());

  // A click on the bitmap reaches the program: Patch Codes is shown and can
  // be edited, and the window shows the button pushed.
  testing::Click(&form.BackgroundImage(), Centre(PatchCodesButton));
  EXPECT_EQ(program.ViewArea.CurrentView(), View::PatchCodes);
  EXPECT_FALSE(memo->isReadOnly());
  EXPECT_EQ(program.ButtonPanel.State(PatchCodesButton), ButtonState::Down);
  EXPECT_EQ(testing::CompareWithBitmap(form, program.Bitmap, area), "");

  // The Analysis view hides the control: the whole window is the bitmap.
  testing::Click(&form.BackgroundImage(), Centre(AnalysisButton));
  EXPECT_FALSE(memo->isVisible());
  EXPECT_EQ(testing::CompareWithBitmap(form, program.Bitmap, {}), "");
}

}  // namespace
}  // namespace tamarack
