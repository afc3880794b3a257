#include "ui/views.h"

#include <gtest/gtest.h>

#include "support/program_fixture.h"

namespace tamarack {
namespace {

// The views of the running program; the fixture's memo starts with
// "help text" as the window's text control does with the help text.
class ViewsTest : public testing::ProgramTest {
 protected:
  Views& views() { return program->ViewArea; }
  Buttons& buttons() { return program->ButtonPanel; }
};

// Text typed into Patch Codes survives other views, without growing by the
// line break that showing adds; a wrapped line comes back as the lines the
// control showed.
TEST_F(ViewsTest, TextTypedIntoPatchCodesSurvivesOtherViews) {
  Click(PatchCodesButton);
  EXPECT_EQ(views().CurrentView(), View::PatchCodes);
  EXPECT_FALSE(memo.ReadOnly);
  memo.Text = "12340\r\nABCD1";  // typed by the user
  Click(HelpButton);
  EXPECT_EQ(memo.Text, "help text\r\n");
  EXPECT_TRUE(memo.ReadOnly);
  Click(PatchCodesButton);
  EXPECT_EQ(memo.Text, "12340\r\nABCD1\r\n");
  EXPECT_EQ(views().Store(View::Help), "help text");
  Click(InformationButton);
  Click(PatchCodesButton);
  EXPECT_EQ(memo.Text, "12340\r\nABCD1\r\n");
  EXPECT_EQ(views().Store(View::PatchCodes), "12340\r\nABCD1");

  memo.WrapWidth = 10;
  memo.Text = "0123456789ABCDEFGHIJKLMNO\r\nshort";
  Click(HelpButton);
  Click(PatchCodesButton);
  EXPECT_EQ(memo.Text, "0123456789\r\nABCDEFGHIJ\r\nKLMNO\r\nshort\r\n");
}

TEST_F(ViewsTest, OnlyPatchCodesCanBeEditedAndEverySwitchPutsTheCaretAtTheStart) {
  EXPECT_EQ(views().CurrentView(), View::Information);
  EXPECT_TRUE(memo.ReadOnly);
  for (int id : {PatchCodesButton, HelpButton, InformationButton, PatchCodesButton, AnalysisButton,
                 HelpButton}) {
    SCOPED_TRACE(id);
    memo.Caret = 7;
    const int focus = memo.FocusCount;
    Click(id);
    EXPECT_EQ(memo.ReadOnly, id != PatchCodesButton);
    EXPECT_EQ(memo.Visible, id != AnalysisButton);
    if (id != AnalysisButton) {
      EXPECT_EQ(memo.Caret, 0);
      EXPECT_GT(memo.FocusCount, focus);
    }
  }
}

TEST_F(ViewsTest, TheChosenViewsButtonStaysDownAndThePressedButtonIsCleared) {
  Click(AnalysisButton);
  EXPECT_EQ(buttons().State(AnalysisButton), ButtonState::Down);
  EXPECT_EQ(buttons().State(InformationButton), ButtonState::Up);
  EXPECT_EQ(buttons().PressedButton(), 0);
  Click(HelpButton);
  EXPECT_EQ(buttons().State(HelpButton), ButtonState::Down);
  EXPECT_EQ(buttons().State(AnalysisButton), ButtonState::Up);
  EXPECT_EQ(buttons().PressedButton(), 0);
  // The operation runner and the other callers reset it too.
  buttons().SetPressedButton(FeedbackButton);
  views().ShowView(View::Information);
  EXPECT_EQ(buttons().PressedButton(), 0);
}

TEST_F(ViewsTest, ClickingTheCurrentViewsButtonChangesNothing) {
  Click(PatchCodesButton);
  memo.Text = "ABCD0";
  memo.Caret = 3;
  const int focus = memo.FocusCount;
  program->Bitmap.TakeDirtyRect();
  Click(PatchCodesButton);
  EXPECT_EQ(memo.Text, "ABCD0");
  EXPECT_EQ(memo.Caret, 3);
  EXPECT_EQ(memo.FocusCount, focus);
  EXPECT_EQ(buttons().State(PatchCodesButton), ButtonState::Down);
  const PixelRect dirty = program->Bitmap.TakeDirtyRect();
  EXPECT_GE(dirty.Left, dirty.Right) << "something was redrawn";
  // Asked directly, the same view does not even clear the pressed button.
  buttons().SetPressedButton(FeedbackButton);
  views().ShowView(View::PatchCodes);
  EXPECT_EQ(buttons().PressedButton(), FeedbackButton);
}

// Whatever the hidden control holds in the Analysis view belongs to no
// view; an empty store shows an empty control.
TEST_F(ViewsTest, LeavingTheAnalysisViewSavesNothing) {
  Click(PatchCodesButton);
  EXPECT_EQ(memo.Text, "");
  Click(AnalysisButton);
  memo.Text = "stray";
  Click(HelpButton);
  EXPECT_EQ(memo.Text, "help text\r\n");
  Click(PatchCodesButton);
  EXPECT_EQ(memo.Text, "");
  EXPECT_EQ(views().Store(View::PatchCodes), "");
  Click(AnalysisButton);
  Click(InformationButton);
  EXPECT_EQ(memo.Text, "<No AVI video file selected>\r\n");
  views().SetViewText("");
  EXPECT_EQ(memo.Text, "");
  EXPECT_TRUE(memo.Redraw);
}

}  // namespace
}  // namespace tamarack
