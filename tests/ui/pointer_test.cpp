#include "ui/pointer.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/fakes.h"

namespace tamarack {
namespace {

struct Point {
  int X, Y;
};

// A point inside a button's rectangle.
Point On(int id) {
  const LayoutRect r = ButtonTable[id - 1].Rect;
  return {4 * r.Left + 5, 4 * r.Top + 5};
}

// A point on the background, over no button.
constexpr Point Background{300, 20};

class PointerTest : public ::testing::Test {
 protected:
  PointerTest() {
    for (int id = 1; id <= ButtonCount; ++id) buttons.DrawButton(id, ButtonState::Up);
    surface.TakeDirtyRect();
  }

  void Down(Point p) { pointer.DoMouseDown(p.X, p.Y); }
  void Move(Point p, bool leftHeld = true) { pointer.DoMouseMove(p.X, p.Y, leftHeld); }
  void Up(Point p) { pointer.DoMouseUp(p.X, p.Y); }
  bool SurfaceChanged() {
    const PixelRect r = surface.TakeDirtyRect();
    return r.Left < r.Right;
  }

  testing::FakeFontBackend fonts;
  Surface surface{fonts};
  Buttons buttons{surface, [] { return false; }};
  testing::FakeWindowHost window;
  std::vector<int> commands;
  std::function<void(int)> onCommand;
  PointerHandler pointer{buttons, window, [this](int id) {
                           commands.push_back(id);
                           if (onCommand) onCommand(id);
                         }};
};

TEST_F(PointerTest, PressAndReleaseOverAButtonRunItsCommandOnceAndPopItUp) {
  Down(On(FeedbackButton));
  EXPECT_EQ(buttons.State(FeedbackButton), ButtonState::Down);
  EXPECT_EQ(buttons.PressedButton(), FeedbackButton);
  EXPECT_TRUE(commands.empty());
  Move(On(FeedbackButton));
  Up(On(FeedbackButton));
  EXPECT_EQ(commands, std::vector<int>{FeedbackButton});
  EXPECT_EQ(buttons.State(FeedbackButton), ButtonState::Up);
  // A release does not reset the pressed button.
  EXPECT_EQ(buttons.PressedButton(), FeedbackButton);
  EXPECT_FALSE(pointer.Dragging());
}

TEST_F(PointerTest, LeavingAndComingBackWithTheLeftButtonHeldPushesTheButtonAgain) {
  Down(On(WebsiteButton));
  Move(Background);
  EXPECT_EQ(buttons.State(WebsiteButton), ButtonState::Up);
  Move(On(VersionButton));  // over another button: that one is not pushed
  EXPECT_EQ(buttons.State(VersionButton), ButtonState::Up);
  Move(On(WebsiteButton));
  EXPECT_EQ(buttons.State(WebsiteButton), ButtonState::Down);
  Up(On(WebsiteButton));
  EXPECT_EQ(commands, std::vector<int>{WebsiteButton});
  EXPECT_EQ(buttons.State(WebsiteButton), ButtonState::Up);
}

TEST_F(PointerTest, ReleaseAwayFromThePressedButtonCancelsTheClick) {
  Down(On(WebsiteButton));
  Move(Background);
  Up(Background);
  Down(On(VersionButton));
  Move(On(WebsiteButton));
  Up(On(WebsiteButton));
  // Leaving without a move first (the release is the first event elsewhere).
  Down(On(HelpButton));
  Up(On(FeedbackButton));
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(buttons.State(WebsiteButton), ButtonState::Up);
  EXPECT_EQ(buttons.State(VersionButton), ButtonState::Up);
  EXPECT_EQ(buttons.State(FeedbackButton), ButtonState::Up);
  // The release on the background ends no window move either.
  EXPECT_EQ(window.X, 100);
  EXPECT_EQ(window.Y, 100);
  EXPECT_FALSE(pointer.Dragging());
}

TEST_F(PointerTest, RightButtonClickRunsTheCommandButComingBackDoesNotPushAgain) {
  Down(On(VersionButton));
  Up(On(VersionButton));
  EXPECT_EQ(commands, std::vector<int>{VersionButton});

  Down(On(VersionButton));
  EXPECT_EQ(buttons.State(VersionButton), ButtonState::Down);
  Move(Background, false);
  EXPECT_EQ(buttons.State(VersionButton), ButtonState::Up);
  Move(On(VersionButton), false);
  EXPECT_EQ(buttons.State(VersionButton), ButtonState::Up);
}

TEST_F(PointerTest, PressOnADisabledOrCurrentViewButtonDoesNothing) {
  buttons.DrawButton(AnalyzeButton, ButtonState::Disabled);
  buttons.DrawButton(InformationButton, ButtonState::Down);
  // An earlier click left the pressed button set.
  Down(On(HelpButton));
  Up(On(HelpButton));
  commands.clear();
  surface.TakeDirtyRect();

  for (int id : {AnalyzeButton, InformationButton}) {
    SCOPED_TRACE(id);
    Down(On(id));
    EXPECT_FALSE(SurfaceChanged());
    EXPECT_FALSE(pointer.Dragging());
    EXPECT_EQ(buttons.PressedButton(), 0);
    Move(On(id));
    Up(On(id));
    EXPECT_FALSE(SurfaceChanged());
  }
  // Nor can a drag from there onto the button pressed before run its command.
  Down(On(AnalyzeButton));
  Move(On(HelpButton));
  EXPECT_EQ(buttons.State(HelpButton), ButtonState::Up);
  Up(On(HelpButton));
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(buttons.State(AnalyzeButton), ButtonState::Disabled);
  EXPECT_EQ(buttons.State(InformationButton), ButtonState::Down);
  EXPECT_EQ(window.X, 100);
}

TEST_F(PointerTest, ButtonsThatWereNeverDrawnCannotBePressed) {
  Buttons fresh(surface, [] { return false; });
  PointerHandler handler(fresh, window, [this](int id) { commands.push_back(id); });
  for (int id = 1; id <= ButtonCount; ++id) {
    handler.DoMouseDown(On(id).X, On(id).Y);
    handler.DoMouseUp(On(id).X, On(id).Y);
  }
  EXPECT_TRUE(commands.empty());
  EXPECT_FALSE(handler.Dragging());
  EXPECT_FALSE(SurfaceChanged());
}

TEST_F(PointerTest, DraggingTheBackgroundMovesTheWindowWithThePointer) {
  window.Pointer = {400, 300};
  Down(Background);
  EXPECT_TRUE(pointer.Dragging());
  window.Pointer = {410, 295};
  Move(On(AnalyzeButton));  // the window point does not matter while dragging
  EXPECT_EQ(window.X, 110);
  EXPECT_EQ(window.Y, 95);
  window.Pointer = {380, 320};
  Move(Background, false);
  EXPECT_EQ(window.X, 80);
  EXPECT_EQ(window.Y, 120);
  window.Pointer = {380, 330};
  Up(On(AnalyzeButton));  // ends the move, presses nothing
  EXPECT_FALSE(pointer.Dragging());
  EXPECT_EQ(window.Y, 120);
  EXPECT_EQ(buttons.State(AnalyzeButton), ButtonState::Up);
  EXPECT_TRUE(commands.empty());
  EXPECT_FALSE(SurfaceChanged());
}

TEST_F(PointerTest, AMoveByTheWindowSystemEndsWithoutAClick) {
  class SystemMovedWindow : public testing::FakeWindowHost {
   public:
    bool StartSystemMove() override { return true; }
  };
  SystemMovedWindow moved;
  PointerHandler handler(buttons, moved, [this](int id) { commands.push_back(id); });
  handler.DoMouseDown(On(FeedbackButton).X, On(FeedbackButton).Y);
  handler.DoMouseUp(On(FeedbackButton).X, On(FeedbackButton).Y);
  handler.DoMouseDown(Background.X, Background.Y);
  EXPECT_FALSE(handler.Dragging());
  handler.DoMouseUp(On(FeedbackButton).X, On(FeedbackButton).Y);
  EXPECT_EQ(commands, std::vector<int>{FeedbackButton});
}

struct ClampCase {
  const char* Name;
  int FromX, FromY;  // where the drag leaves the window
  int ToX, ToY;      // where the release puts it
};

class WindowClampTest : public PointerTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(WindowClampTest, ReleaseBringsFiftyPixelsBackOnScreen) {
  const ClampCase c = GetParam();
  window.Pointer = {500, 400};
  Down(Background);
  window.Pointer = {500 + c.FromX - 100, 400 + c.FromY - 100};
  Move(Background);
  // The window is not held on the screen while it moves.
  EXPECT_EQ(window.X, c.FromX);
  EXPECT_EQ(window.Y, c.FromY);
  Up(Background);
  EXPECT_EQ(window.X, c.ToX);
  EXPECT_EQ(window.Y, c.ToY);
}

// The screen is 1024 x 768 and the window 616 x 300.
INSTANTIATE_TEST_SUITE_P(
    Sides, WindowClampTest,
    ::testing::Values(ClampCase{"TenPixelsLeft", 10 - 616, 200, 50 - 616, 200},
                      ClampCase{"TenPixelsRight", 1024 - 10, 200, 1024 - 50, 200},
                      ClampCase{"TenPixelsTop", 200, 10 - 300, 200, 50 - 300},
                      ClampCase{"TenPixelsBottom", 200, 768 - 10, 200, 768 - 50},
                      ClampCase{"OffTheTopLeftCorner", -2000, -2000, 50 - 616, 50 - 300},
                      ClampCase{"ExactlyFiftyLeft", 50 - 616, 768 - 50, 50 - 616, 768 - 50},
                      ClampCase{"ExactlyFiftyRight", 1024 - 50, 50 - 300, 1024 - 50, 50 - 300}),
    [](const ::testing::TestParamInfo<ClampCase>& c) { return c.param.Name; });

TEST_F(PointerTest, NestedClicksDuringACommandDecideWhatTheOuterReleaseRedraws) {
  // Button 2 stands for an operation: while it runs, its button and the
  // first one are Disabled and Pause/Stop is Up, and the user clicks in
  // between as the event pump lets them.
  onCommand = [this](int id) {
    if (id != AnalyzeButton) return;
    buttons.DrawButton(AnalyzeButton, ButtonState::Disabled);
    buttons.DrawButton(PauseStopButton, ButtonState::Up);
    Down(On(PauseStopButton));
    Up(On(PauseStopButton));
    Down(On(AnalyzeButton));  // Disabled: clears the pressed button
    Up(On(AnalyzeButton));
    buttons.DrawButton(AnalyzeButton, ButtonState::Up);
    buttons.DrawButton(PauseStopButton, ButtonState::Disabled);
  };
  Down(On(AnalyzeButton));
  Up(On(AnalyzeButton));
  EXPECT_EQ(commands, (std::vector<int>{AnalyzeButton, PauseStopButton}));
  EXPECT_EQ(buttons.State(PauseStopButton), ButtonState::Disabled);
  EXPECT_EQ(buttons.State(AnalyzeButton), ButtonState::Up);
  EXPECT_EQ(buttons.PressedButton(), 0);

  // A nested click on another button leaves the outer button as the
  // command drew it.
  commands.clear();
  onCommand = [this](int id) {
    if (id != AnalyzeButton) return;
    Down(On(HelpButton));
    Up(On(HelpButton));
  };
  Down(On(AnalyzeButton));
  Up(On(AnalyzeButton));
  EXPECT_EQ(commands, (std::vector<int>{AnalyzeButton, HelpButton}));
  EXPECT_EQ(buttons.State(AnalyzeButton), ButtonState::Down);
  EXPECT_EQ(buttons.State(HelpButton), ButtonState::Up);
}

}  // namespace
}  // namespace tamarack
