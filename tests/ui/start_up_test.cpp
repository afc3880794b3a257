#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "support/fakes.h"
#include "ui/help_text.h"

namespace tamarack {
namespace {

// A text control and a window that report their changes as they happen, so
// the test can see what the program had done by then.
class WatchedTextView : public testing::FakeTextView {
 public:
  void SetText(const std::string& text) override {
    FakeTextView::SetText(text);
    if (OnSetText) OnSetText(text);
  }
  std::function<void(const std::string&)> OnSetText;
};

class WatchedWindowHost : public testing::FakeWindowHost {
 public:
  void SetCaption(const std::string& caption) override {
    FakeWindowHost::SetCaption(caption);
    if (OnCaption) OnCaption(caption);
  }
  std::function<void(const std::string&)> OnCaption;
};

// What the program showed at one moment of its start.
struct Moment {
  std::string Event;
  bool Painted;  // the window background is drawn
  ButtonState Select, Information, Help, PauseStop;
  std::string HelpStore;
  Color ProgressBar;
};

class StartUpTest : public ::testing::Test {
 protected:
  StartUpTest() {
    program = std::make_unique<Program>(
        PlatformServices{fonts, memo, dialogs, pump, clock, shell, window, files});
    memo.SetText(HelpText());
    memo.OnSetText = [this](const std::string& text) { Record("text " + text); };
    window.OnCaption = [this](const std::string& caption) { Record("caption " + caption); };
  }

  void Record(const std::string& event) {
    const Buttons& b = program->ButtonPanel;
    moments.push_back({event, program->Bitmap.GetPixel(300, 4) != White, b.State(SelectClearButton),
                       b.State(InformationButton), b.State(HelpButton), b.State(PauseStopButton),
                       program->ViewArea.Store(View::Help), program->Bitmap.GetPixel(200, 256)});
  }

  testing::FakeFontBackend fonts;
  WatchedTextView memo;
  testing::FakeDialogs dialogs;
  testing::FakeEventPump pump;
  testing::FakeClock clock;
  testing::FakeShell shell;
  WatchedWindowHost window;
  testing::FakeFileSystem files;
  std::unique_ptr<Program> program;
  std::vector<Moment> moments;
};

TEST_F(StartUpTest, DoInitPaintsDrawsButtonsSavesTheHelpTextAndClearsInThatOrder) {
  program->DoInit();
  const std::string help = HelpText();
  const std::string savedHelp = help.substr(0, help.size() - 2);  // the last empty line is not kept
  const Color emptyBar = MakeColor(191, 191, 191);

  ASSERT_EQ(moments.size(), 3u);
  // 1. The caption, before anything is painted.
  EXPECT_EQ(moments[0].Event, "caption Tamarack");
  EXPECT_FALSE(moments[0].Painted);
  EXPECT_EQ(moments[0].Select, ButtonState::Disabled);
  // 2. The Information view shows its empty store once the window and the
  // buttons are drawn; the help text has gone into the Help store, Help's
  // button is Up, Information's not yet Down, and no progress bar is drawn.
  EXPECT_EQ(moments[1].Event, "text ");
  EXPECT_TRUE(moments[1].Painted);
  EXPECT_EQ(moments[1].Select, ButtonState::Up);
  EXPECT_EQ(moments[1].PauseStop, ButtonState::Disabled);
  EXPECT_EQ(moments[1].Help, ButtonState::Up);
  EXPECT_EQ(moments[1].Information, ButtonState::Up);
  EXPECT_EQ(moments[1].HelpStore, savedHelp);
  EXPECT_EQ(moments[1].ProgressBar, White);
  // 3. The Clear command's text, after the empty progress bar.
  EXPECT_EQ(moments[2].Event, "text <No AVI video file selected>\r\n");
  EXPECT_EQ(moments[2].Information, ButtonState::Down);
  EXPECT_EQ(moments[2].ProgressBar, emptyBar);

  EXPECT_EQ(window.Caption, "Tamarack");
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  EXPECT_TRUE(memo.ReadOnly);
  EXPECT_TRUE(memo.Visible);
  EXPECT_EQ(program->ButtonPanel.PressedButton(), 0);
  for (int id = 1; id <= ButtonCount; ++id) {
    const bool disabled = (id >= AnalyzeButton && id <= RepairPatchButton) || id == PauseStopButton;
    const ButtonState expected = id == InformationButton ? ButtonState::Down
                                 : disabled              ? ButtonState::Disabled
                                                         : ButtonState::Up;
    EXPECT_EQ(program->ButtonPanel.State(id), expected) << "button " << id;
  }
  // The operation buttons are drawn grey, not merely counted as Disabled.
  EXPECT_EQ(program->Bitmap.GetPixel(20, 88), MakeColor(128, 128, 128));
  EXPECT_FALSE(program->Control.Busy());
  EXPECT_FALSE(program->Pointer.Dragging());
  EXPECT_TRUE(program->Grid.GridClean());  // the Clear command drew the map
}

TEST_F(StartUpTest, TheHelpViewShowsTheHelpTextUnchangedAfterDoInit) {
  program->DoInit();
  program->RunCommand(HelpButton);
  EXPECT_EQ(memo.Text, HelpText());
  program->RunCommand(InformationButton);
  program->RunCommand(HelpButton);
  EXPECT_EQ(memo.Text, HelpText());
  EXPECT_TRUE(memo.ReadOnly);
}

}  // namespace
}  // namespace tamarack
