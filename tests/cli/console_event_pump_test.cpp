#include "platform/console/console_event_pump.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace tamarack::testing {
namespace {

class CountedInterrupts : public InterruptSource {
 public:
  bool TakeInterrupt() override {
    if (Pending == 0) return false;
    --Pending;
    return true;
  }
  bool TerminationRequested() override { return Terminated; }
  int Pending = 0;
  bool Terminated = false;
};

class ConsoleEventPumpTest : public ::testing::Test {
 protected:
  void Attach(ConsoleEventPump& pump) {
    pump.Attach([this] { return text; },
                [this](StopRequest request) {
                  ++pauseStops;
                  requests.push_back(request);
                },
                [this] { return stoppable; });
  }

  std::ostringstream out;
  std::ostringstream err;
  CountedInterrupts interrupts;
  std::string text = " ";
  bool stoppable = true;
  int pauseStops = 0;
  std::vector<StopRequest> requests;
};

TEST_F(ConsoleEventPumpTest, LinesShowEachChangeOnce) {
  ConsoleOutput output(out, err, false);
  ConsoleEventPump pump(output, interrupts, ProgressDisplay::Lines);
  Attach(pump);
  for (const char* shown : {" ", "Initializing - 0%", "Analyzing - 0%", "Analyzing - 0%", "",
                            "Analyzing - 0%", "Analyzing - 42%"}) {
    text = shown;
    pump.ProcessPendingEvents();
  }
  // A blank text in between ends a run, so the same text counts as new.
  EXPECT_EQ(err.str(), "Initializing - 0%\nAnalyzing - 0%\nAnalyzing - 0%\nAnalyzing - 42%\n");
  EXPECT_EQ(out.str(), "");
}

TEST_F(ConsoleEventPumpTest, StatusLineIsRewrittenInPlaceAndCleared) {
  ConsoleOutput output(out, err, true);
  ConsoleEventPump pump(output, interrupts, ProgressDisplay::StatusLine);
  Attach(pump);
  text = "Analyzing - 1%";
  pump.ProcessPendingEvents();
  pump.ProcessPendingEvents();
  text = "Analyzing - 2%";
  pump.ProcessPendingEvents();
  EXPECT_EQ(err.str(), "\r\x1b[KAnalyzing - 1%\r\x1b[KAnalyzing - 2%");
  // A message clears the line; the next pump shows it again, unchanged.
  output.PrintErr("Error.");
  pump.ProcessPendingEvents();
  text = "";
  pump.ProcessPendingEvents();
  EXPECT_EQ(err.str(),
            "\r\x1b[KAnalyzing - 1%\r\x1b[KAnalyzing - 2%\r\x1b[KError.\n"
            "\r\x1b[KAnalyzing - 2%\r\x1b[K");
  EXPECT_FALSE(output.StatusShown());
}

TEST_F(ConsoleEventPumpTest, HiddenProgressShowsNothing) {
  ConsoleOutput output(out, err, false);
  ConsoleEventPump pump(output, interrupts, ProgressDisplay::Hidden);
  Attach(pump);
  text = "Analyzing - 5%";
  pump.ProcessPendingEvents();
  EXPECT_EQ(err.str(), "");
}

TEST_F(ConsoleEventPumpTest, InterruptRunsPauseStopOncePerInterrupt) {
  ConsoleOutput output(out, err, false);
  ConsoleEventPump pump(output, interrupts, ProgressDisplay::Hidden);
  pump.ProcessPendingEvents();  // not attached yet: nothing to run
  Attach(pump);
  pump.ProcessPendingEvents();
  EXPECT_EQ(pauseStops, 0);
  interrupts.Pending = 1;
  pump.ProcessPendingEvents();
  pump.ProcessPendingEvents();
  EXPECT_EQ(pauseStops, 1);
}

TEST_F(ConsoleEventPumpTest, PumpInsideThePauseStopCommandOpensNoSecondPrompt) {
  ConsoleOutput output(out, err, false);
  ConsoleEventPump pump(output, interrupts, ProgressDisplay::Hidden);
  pump.Attach([] { return std::string(); },
              [&](StopRequest) {
                ++pauseStops;
                interrupts.Pending = 1;
                pump.ProcessPendingEvents();
              },
              [] { return true; });
  interrupts.Pending = 1;
  pump.ProcessPendingEvents();
  EXPECT_EQ(pauseStops, 1);
}

TEST_F(ConsoleEventPumpTest, RequestToEndRunsAConfirmedStopOnceBeforeAnyInterrupt) {
  ConsoleOutput output(out, err, false);
  ConsoleEventPump pump(output, interrupts, ProgressDisplay::Hidden);
  Attach(pump);
  interrupts.Pending = 1;
  interrupts.Terminated = true;
  pump.ProcessPendingEvents();
  pump.ProcessPendingEvents();
  pump.ProcessPendingEvents();
  // The interrupt that waited is taken after the confirmed stop, as a
  // second click on Pause/Stop would be.
  EXPECT_EQ(requests, std::vector<StopRequest>({StopRequest::Confirmed, StopRequest::Ask}));
}

TEST_F(ConsoleEventPumpTest, InterruptsWaitWhileNoStopCanChangeTheOperation) {
  ConsoleOutput output(out, err, false);
  ConsoleEventPump pump(output, interrupts, ProgressDisplay::Hidden);
  Attach(pump);
  stoppable = false;
  interrupts.Pending = 1;
  interrupts.Terminated = true;
  pump.ProcessPendingEvents();
  EXPECT_EQ(pauseStops, 0);
  // Neither was taken: they act once a stop can matter again.
  EXPECT_EQ(interrupts.Pending, 1);
  stoppable = true;
  pump.ProcessPendingEvents();
  pump.ProcessPendingEvents();
  EXPECT_EQ(requests, std::vector<StopRequest>({StopRequest::Confirmed, StopRequest::Ask}));
}

}  // namespace
}  // namespace tamarack::testing
