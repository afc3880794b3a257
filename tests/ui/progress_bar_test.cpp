#include "ui/progress_bar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

namespace tamarack {
namespace {

// The first and last pixel rows of the bar's two gradients: the lightened
// blue of the done part and the lightened grey of the rest.
constexpr Color DoneTop = MakeColor(127, 127, 239);
constexpr Color DoneBottom = MakeColor(231, 234, 254);
constexpr Color RestTop = MakeColor(191, 191, 191);
constexpr Color RestBottom = MakeColor(254, 254, 254);

constexpr int BarLeft = 184;
constexpr int BarRight = 508;  // one past the last column
constexpr int BarTop = 256;
constexpr int BarBottom = 276;  // one past the last row

class ProgressBarTest : public ::testing::Test {
 protected:
  Color At(int x, int y) const { return surface.GetPixel(x, y); }

  // Checks the top and bottom rows of a bar whose done part is doneUnits
  // long, and the boundary line between the parts. The fake font marks rows
  // 259 and 260 of the bar with the text, so the line is checked around them.
  void ExpectBar(int doneUnits) {
    const int boundary = BarLeft + 4 * doneUnits;
    for (int x = BarLeft; x < BarRight; ++x) {
      const bool done = x < boundary;
      const bool line = x == boundary && doneUnits > 0 && doneUnits < 81;
      const Color top = line ? Black : done ? DoneTop : RestTop;
      const Color bottom = line ? Black : done ? DoneBottom : RestBottom;
      ASSERT_EQ(At(x, BarTop), top) << "column " << x;
      ASSERT_EQ(At(x, BarBottom - 1), bottom) << "column " << x;
    }
    if (doneUnits > 0 && doneUnits < 81) {
      for (int y = BarTop; y < BarBottom; ++y) {
        if (y == 259 || y == 260) continue;
        ASSERT_EQ(At(boundary, y), Black) << "row " << y;
      }
      EXPECT_EQ(At(boundary, BarTop - 1), White);
      EXPECT_EQ(At(boundary, BarBottom), White);
    }
  }

  bool DrawsNothing() {
    const PixelRect dirty = surface.TakeDirtyRect();
    return dirty.Left >= dirty.Right;
  }

  testing::FakeFontBackend fonts;
  Surface surface{fonts};
  testing::FakeEventPump pump;
  testing::FakeClock clock;
  ProgressBar bar{surface, pump, clock};
};

TEST_F(ProgressBarTest, CompleteBarShowsHundredPercentWithoutPumping) {
  bar.SetOperationTitle("Analyzing");
  bar.ShowProgress(1, 1);
  ExpectBar(81);
  EXPECT_EQ(pump.Calls, 0);
  // Centred in the bar: a white copy one pixel right and down, then black.
  ASSERT_EQ(fonts.Calls.size(), 2u);
  const std::string text = "Analyzing - 100%";
  const int x = BarLeft + (324 - 6 * static_cast<int>(text.size())) / 2;
  EXPECT_EQ(fonts.Calls[0].Text, text);
  EXPECT_EQ(fonts.Calls[0].Ink, White);
  EXPECT_EQ(fonts.Calls[0].X, x + 1);
  EXPECT_EQ(fonts.Calls[0].Y, 260);
  EXPECT_EQ(fonts.Calls[1].Text, text);
  EXPECT_EQ(fonts.Calls[1].Ink, Black);
  EXPECT_EQ(fonts.Calls[1].X, x);
  EXPECT_EQ(fonts.Calls[1].Y, 259);
  EXPECT_EQ(fonts.Calls[1].Font, CaptionFont::Normal);
  EXPECT_EQ(bar.LastProgressText(), text);
}

TEST_F(ProgressBarTest, EmptyBarShowsZeroPercentAndPumps) {
  bar.SetOperationTitle("Creating Backup");
  bar.ShowProgress(0, 1);
  ExpectBar(0);
  EXPECT_EQ(pump.Calls, 1);
  EXPECT_EQ(bar.LastProgressText(), "Creating Backup - 0%");
  ASSERT_FALSE(fonts.Calls.empty());
  EXPECT_EQ(fonts.Calls.back().Text, "Creating Backup - 0%");
}

TEST_F(ProgressBarTest, BarLengthRoundsHalvesToEven) {
  bar.SetOperationTitle("Analyzing");
  bar.ShowProgress(40.5, 81);  // 40.5 units
  ExpectBar(40);
  EXPECT_EQ(bar.LastProgressText(), "Analyzing - 50%");
  bar.ShowProgress(41.5, 81);  // 41.5 units
  ExpectBar(42);
  EXPECT_EQ(bar.LastProgressText(), "Analyzing - 51%");
  bar.ShowProgress(1, 81);
  ExpectBar(1);
  EXPECT_EQ(pump.Calls, 3);
}

TEST_F(ProgressBarTest, PercentageIsTruncated) {
  bar.SetOperationTitle("Repairing with Patch");
  const std::pair<double, const char*> cases[] = {
      {99.9, "99%"}, {0.999, "0%"}, {66.666, "66%"}, {100, "100%"}};
  for (const auto& [percent, shown] : cases) {
    bar.ShowProgress(percent, 100);
    EXPECT_EQ(bar.LastProgressText(), std::string("Repairing with Patch - ") + shown);
  }
}

TEST_F(ProgressBarTest, SameTextDrawsNothingButStillPumps) {
  bar.SetOperationTitle("Analyzing");
  bar.ShowProgress(10, 100);  // 8.1 units
  ExpectBar(8);
  ASSERT_FALSE(DrawsNothing());
  const size_t texts = fonts.Calls.size();
  bar.ShowProgress(10.9, 100);  // 8.8 units, still 10%
  EXPECT_TRUE(DrawsNothing());
  ExpectBar(8);
  EXPECT_EQ(fonts.Calls.size(), texts);
  EXPECT_EQ(pump.Calls, 2);

  bar.ShowProgress(1, 1);
  ASSERT_FALSE(DrawsNothing());
  bar.ShowProgress(1, 1);
  EXPECT_TRUE(DrawsNothing());
  EXPECT_EQ(pump.Calls, 2);
}

TEST_F(ProgressBarTest, ResetShowsAnEmptyBarOnceAndPumpsEachTime) {
  // The first reset after start redraws, since the last text is " ".
  ASSERT_EQ(bar.LastProgressText(), " ");
  bar.ResetProgress();
  EXPECT_FALSE(DrawsNothing());
  ExpectBar(0);
  EXPECT_TRUE(fonts.Calls.empty());

  bar.SetOperationTitle("Creating Patch");
  bar.ShowProgress(1, 1);
  DrawsNothing();
  const size_t texts = fonts.Calls.size();
  bar.ResetProgress();
  EXPECT_EQ(bar.OperationTitle(), "");
  EXPECT_EQ(bar.LastProgressText(), "");
  ExpectBar(0);
  EXPECT_EQ(fonts.Calls.size(), texts);
  EXPECT_FALSE(DrawsNothing());
  bar.ResetProgress();
  EXPECT_TRUE(DrawsNothing());
  EXPECT_EQ(pump.Calls, 3);
}

TEST_F(ProgressBarTest, ShareBeyondTheEndShowsAFullBar) {
  bar.SetOperationTitle("Analyzing");
  bar.ShowProgress(3, 2);
  EXPECT_EQ(bar.LastProgressText(), "Analyzing - 100%");
  ExpectBar(81);
  EXPECT_EQ(pump.Calls, 0);
  bar.ShowProgress(-1, 2);
  EXPECT_EQ(bar.LastProgressText(), "Analyzing - 0%");
  ExpectBar(0);
}

TEST_F(ProgressBarTest, TimerIsDueOnlyAfterItsDeadlineAndReArmsFromTheClock) {
  clock.Now = 999;
  clock.Step = 1;
  bar.StartProgressTimer();  // reads 1000
  EXPECT_EQ(bar.NextProgressTime(), 1500u);
  clock.Now = 1499;  // reads 1500: not later than the deadline
  EXPECT_FALSE(bar.ProgressTimerDue());
  EXPECT_EQ(bar.NextProgressTime(), 1500u);
  EXPECT_TRUE(bar.ProgressTimerDue());       // reads 1501
  EXPECT_EQ(bar.NextProgressTime(), 2002u);  // re-armed from a second reading
  EXPECT_FALSE(bar.ProgressTimerDue());
}

TEST_F(ProgressBarTest, TimerHoldsAcrossTheWrapOfTheMillisecondCounter) {
  clock.Now = 0xFFFFFF00u;
  bar.StartProgressTimer();
  EXPECT_EQ(bar.NextProgressTime(), 0xF4u);  // the deadline wrapped
  clock.Now = 0xFFFFFFF0u;
  EXPECT_FALSE(bar.ProgressTimerDue());
  clock.Now = 0xF4u;
  EXPECT_FALSE(bar.ProgressTimerDue());
  clock.Now = 0xF5u;
  EXPECT_TRUE(bar.ProgressTimerDue());

  // The clock wraps while the deadline has not.
  clock.Now = 0xFFFFFE00u;
  bar.StartProgressTimer();
  clock.Now = 0xFFFFFFF4u;
  EXPECT_FALSE(bar.ProgressTimerDue());
  clock.Now = 0x10u;
  EXPECT_TRUE(bar.ProgressTimerDue());
  EXPECT_EQ(bar.NextProgressTime(), 0x10u + 500);
}

}  // namespace
}  // namespace tamarack
