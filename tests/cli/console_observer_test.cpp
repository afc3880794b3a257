#include "app/console_observer.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "core/operation_loop.h"
#include "support/fakes.h"

namespace tamarack::testing {
namespace {

class CountedInterrupts : public InterruptSource {
 public:
  bool TakeInterrupt() override {
    if (Waiting == 0) return false;
    --Waiting;
    return true;
  }
  bool TerminationRequested() override { return Terminated; }
  bool Pending() override { return Waiting > 0 || Terminated; }
  int Waiting = 0;
  bool Terminated = false;
};

class NoInput : public AnswerInput {
 public:
  InputLine ReadLine() override { return {InputEvent::End, ""}; }
};

// One run of an operation of four blocks over the console's observer; the
// clock makes every second block's progress due.
class ConsoleObserverTest : public ::testing::Test {
 protected:
  OperationResult Run(bool terminal, const std::string& prefix = "") {
    ConsoleOutput output(out, err, terminal);
    ConsoleQuestions questions(output, input, false);
    ConsoleObserver observer(request, output, questions, interrupts, clock, prefix);
    OperationControl control(observer);
    observer.Attach(control);
    return control.Run([&] {
      OperationLoop loop(control, "Analyzing", MapCells::Painted);
      for (int block = 1; block <= 4 && loop.Going(); ++block) {
        clock.Now += 300;
        ++blocks;
        if (onBlock) onBlock(block);
        loop.BlockDone(block, 4);
      }
      if (loop.Going()) loop.RegionDone(3, 4);
      if (loop.Going()) loop.Complete();
    });
  }

  CliRequest request;
  std::ostringstream out;
  std::ostringstream err;
  NoInput input;
  CountedInterrupts interrupts;
  FakeClock clock;
  int blocks = 0;
  std::function<void(int block)> onBlock;
};

TEST_F(ConsoleObserverTest, ProgressShowsAsTheWindowsBarReadsAtItsPace) {
  const struct {
    bool Terminal;
    bool Lines;
    const char* Shown;
  } cases[] = {
      {false, false, ""},
      {false, true,
       "[2/3] Initializing - 0%\n[2/3] Analyzing - 0%\n[2/3] Analyzing - 50%\n"
       "[2/3] Analyzing - 75%\n"},
      {true, false,
       "\r\x1b[K[2/3] Initializing - 0%\r\x1b[K[2/3] Analyzing - 0%\r\x1b[K[2/3] Analyzing - 50%"
       "\r\x1b[K[2/3] Analyzing - 75%\r\x1b[K"},
  };
  for (const auto& c : cases) {
    err.str("");
    request.Progress = c.Lines;
    EXPECT_EQ(Run(c.Terminal, "[2/3] ").Result, Outcome::Completed);
    EXPECT_EQ(err.str(), c.Shown);
  }
}

TEST_F(ConsoleObserverTest, InterruptStopsTheOperationAtTheNextBlock) {
  const struct {
    int Interrupts;
    bool Terminated;
    Outcome Expected;
    int Blocks;
    const char* Said;
  } cases[] = {
      {1, false, Outcome::Stopped, 2, "tamarack-cli: interrupted: answered Yes"},
      {0, true, Outcome::Stopped, 2, "tamarack-cli: asked to end: answered Yes"},
      {0, false, Outcome::Completed, 4, ""},
  };
  for (const auto& c : cases) {
    err.str("");
    blocks = 0;
    interrupts = CountedInterrupts();
    // Between the steps, not yet due: the interrupt makes the progress due.
    onBlock = [&](int block) {
      if (block != 2) return;
      interrupts.Waiting = c.Interrupts;
      interrupts.Terminated = c.Terminated;
    };
    EXPECT_EQ(Run(false).Result, c.Expected) << c.Said;
    EXPECT_EQ(blocks, c.Blocks) << c.Said;
    EXPECT_NE(err.str().find(c.Said), std::string::npos) << err.str();
  }
}

}  // namespace
}  // namespace tamarack::testing
