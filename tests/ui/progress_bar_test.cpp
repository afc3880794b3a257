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
  // Checks the top and bottom rows of a bar whose done part is doneUnits
  // long, and the boundary line between the parts. The fake font marks rows
  // 259 and 260 of the bar with the text, so the line is checked around them.
  void ExpectBar(int doneUnits) {
    const int boundary = BarLeft + 4 * doneUnits;
    const bool line = doneUnits > 0 && doneUnits < 81;
    for (int x = BarLeft; x < BarRight; ++x) {
      const bool done = x < boundary;
      ASSERT_EQ(surface.GetPixel(x, BarTop), line && x == boundary ? Black
                                             : done                ? DoneTop
                                                                   : RestTop)
          << "column " << x;
      ASSERT_EQ(surface.GetPixel(x, BarBottom - 1), line && x == boundary ? Black
                                                    : done                ? DoneBottom
                                                                          : RestBottom)
          << "column " << x;
    }
    if (!line) return;
    for (int y = BarTop; y < BarBottom; ++y) {
      if (y != 259 && y != 260) {
        ASSERT_EQ(surface.GetPixel(boundary, y), Black) << "row " << y;
      }
    }
    EXPECT_EQ(surface.GetPixel(boundary, BarTop - 1), White);
    EXPECT_EQ(surface.GetPixel(boundary, BarBottom), White);
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

// The bar's length rounds halves to even, its percentage is truncated, a
// share beyond either end is held there, and only an unfinished share pumps
// the events.
TEST_F(ProgressBarTest, ShowsTheShareAsBarAndTruncatedPercentage) {
  struct Case {
    double Done, Total;
    int Units;
    const char* Text;
  };
  const Case cases[] = {{1, 1, 81, "Analyzing - 100%"},    {3, 2, 81, "Analyzing - 100%"},
                        {0, 1, 0, "Analyzing - 0%"},       {-1, 2, 0, "Analyzing - 0%"},
                        {40.5, 81, 40, "Analyzing - 50%"}, {41.5, 81, 42, "Analyzing - 51%"},
                        {1, 81, 1, "Analyzing - 1%"},      {99.9, 100, 81, "Analyzing - 99%"},
                        {0.999, 100, 1, "Analyzing - 0%"}, {66.666, 100, 54, "Analyzing - 66%"}};
  bar.SetOperationTitle("Analyzing");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    SCOPED_TRACE(c.Done);
    const int pumps = pump.Calls;
    bar.ShowProgress(c.Done, c.Total);
    ExpectBar(c.Units);
    EXPECT_EQ(bar.LastProgressText(), c.Text);
    EXPECT_EQ(fonts.Calls.back().Text, c.Text);
    EXPECT_EQ(pump.Calls, pumps + (c.Done < c.Total ? 1 : 0));
  }
  // Centred in the bar: a white copy one pixel right and down, then black.
  const std::string text = "Analyzing - 66%";
  const int x = BarLeft + (324 - 6 * static_cast<int>(text.size())) / 2;
  const auto& white = fonts.Calls[fonts.Calls.size() - 2];
  const auto& black = fonts.Calls.back();
  EXPECT_EQ(white.Text, text);
  EXPECT_EQ(white.Ink, White);
  EXPECT_EQ(white.X, x + 1);
  EXPECT_EQ(white.Y, 260);
  EXPECT_EQ(black.Ink, Black);
  EXPECT_EQ(black.X, x);
  EXPECT_EQ(black.Y, 259);
  EXPECT_EQ(black.Font, CaptionFont::Normal);
}

TEST_F(ProgressBarTest, SameTextDrawsNothingButStillPumps) {
  bar.SetOperationTitle("Analyzing");
  bar.ShowProgress(10, 100);  // 8.1 units
  ASSERT_FALSE(DrawsNothing());
  const size_t texts = fonts.Calls.size();
  bar.ShowProgress(10.9, 100);  // 8.8 units, still 10%
  EXPECT_TRUE(DrawsNothing());
  ExpectBar(8);
  EXPECT_EQ(fonts.Calls.size(), texts);
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

// The deadline is half a second after a reading, is passed only when a
// later reading is beyond it, and holds across the wrap of the counter.
TEST_F(ProgressBarTest, TimerIsDueOnlyAfterItsDeadline) {
  clock.Now = 999;
  clock.Step = 1;
  bar.StartProgressTimer();  // reads 1000
  EXPECT_EQ(bar.NextProgressTime(), 1500u);
  clock.Now = 1499;  // reads 1500: not later than the deadline
  EXPECT_FALSE(bar.ProgressTimerDue());
  EXPECT_TRUE(bar.ProgressTimerDue());       // reads 1501
  EXPECT_EQ(bar.NextProgressTime(), 2002u);  // re-armed from a second reading
  EXPECT_FALSE(bar.ProgressTimerDue());

  clock.Step = 0;
  struct Case {
    uint32_t Start, Before, After;
  };
  // The deadline wraps; the clock wraps while the deadline has not.
  for (const Case& c : {Case{0xFFFFFF00u, 0xF4u, 0xF5u}, Case{0xFFFFFE00u, 0xFFFFFFF4u, 0x10u}}) {
    clock.Now = c.Start;
    bar.StartProgressTimer();
    EXPECT_EQ(bar.NextProgressTime(), c.Start + 500);
    clock.Now = 0xFFFFFFF0u;
    EXPECT_FALSE(bar.ProgressTimerDue());
    clock.Now = c.Before;
    EXPECT_FALSE(bar.ProgressTimerDue());
    clock.Now = c.After;
    EXPECT_TRUE(bar.ProgressTimerDue());
    EXPECT_EQ(bar.NextProgressTime(), c.After + 500);
  }
}

}  // namespace
}  // namespace tamarack
