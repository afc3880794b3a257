#include "platform/console/interrupt_clock.h"

#include <gtest/gtest.h>

#include "core/progress_bar.h"
#include "support/fakes.h"

namespace tamarack::testing {
namespace {

class WaitingInterrupts : public InterruptSource {
 public:
  bool TakeInterrupt() override { return std::exchange(Waiting, false); }
  bool TerminationRequested() override { return false; }
  bool Pending() override { return Waiting; }
  bool Waiting = false;
};

TEST(InterruptibleClockTest, AWaitingInterruptMakesTheNextProgressTestDue) {
  FakeClock steady;
  WaitingInterrupts interrupts;
  InterruptibleClock clock(steady, interrupts);
  FakeFontBackend fonts;
  Surface surface(fonts);
  FakeEventPump pump;
  ProgressBar progress(surface, pump, clock);
  progress.StartProgressTimer();
  steady.Now += 10;  // far from the 500 ms of the timer
  EXPECT_FALSE(progress.ProgressTimerDue());
  interrupts.Waiting = true;
  EXPECT_TRUE(progress.ProgressTimerDue());
  // Taken by the pump: time goes on at its own pace again, and never back.
  interrupts.TakeInterrupt();
  const uint32_t before = clock.Milliseconds();
  EXPECT_EQ(clock.Milliseconds(), before);
  steady.Now += 10;
  EXPECT_FALSE(progress.ProgressTimerDue());
  steady.Now += 500;
  EXPECT_TRUE(progress.ProgressTimerDue());
}

}  // namespace
}  // namespace tamarack::testing
