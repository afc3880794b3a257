#include "core/operation_control.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tamarack {
namespace {

// Notes the calls that matter to the runner, in order.
class RecordingObserver : public OperationObserver {
 public:
  void OperationStarted() override { Calls.push_back("started"); }
  void OperationEnded(bool completed) override {
    Calls.push_back(completed ? "ended completed" : "ended");
  }
  void StartProgress(const std::string&, MapCells) override {}
  void ShowProgress(int64_t, int64_t, ProgressPace) override {}
  void ResetProgress() override { Calls.push_back("reset"); }
  void PaintCell(uint16_t, Color) override {}
  void ShowMessage(MessageKind, const std::string& text) override { Calls.push_back(text); }
  PromptResult Ask(Question, const std::string&, DefaultAnswer) override { return Answer; }
  std::string ChooseFile(FileChoice) override { return {}; }
  std::vector<std::string> PatchCodeLines() override { return {}; }
  void ShowPatchCodes(const std::vector<std::string>&, int64_t) override {}
  void Reached(Milestone) override {}

  std::vector<std::string> Calls;
  PromptResult Answer = PromptResult::Yes;
};

TEST(OperationControlTest, RunReportsHowTheStepsEnded) {
  RecordingObserver observer;
  OperationControl control(observer);
  const struct {
    std::function<void()> Steps;
    Outcome Expected;
    std::vector<std::string> Calls;
  } cases[] = {
      {[&] { control.NoteFileWritten("out"); },
       Outcome::Completed,
       {"started", "reset", "ended completed"}},
      {[&] { control.Decline(); }, Outcome::Declined, {"started", "reset", "ended"}},
      {[&] { control.Stop(); }, Outcome::Stopped, {"started", "reset", "ended"}},
      // The first error is the run's message; the flag it clears stops the rest.
      {[&] {
         control.ShowError("First.");
         control.ShowFault(FileRole::Patch, FileFault::Read);
       },
       Outcome::Failed,
       {"started", "First.", "reset", "The Patch file could not be read.", "reset", "reset",
        "ended"}},
  };
  for (const auto& c : cases) {
    observer.Calls.clear();
    const OperationResult result = control.Run(c.Steps);
    EXPECT_EQ(result.Result, c.Expected);
    EXPECT_EQ(observer.Calls, c.Calls);
    EXPECT_EQ(control.LastRunCompleted(), c.Expected == Outcome::Completed);
    EXPECT_FALSE(control.Busy());
  }
  EXPECT_EQ(control.LastError(), "The Patch file could not be read.");
}

TEST(OperationControlTest, OneOperationRunsAtATime) {
  RecordingObserver observer;
  OperationControl control(observer);
  int nested = 0;
  const OperationResult result =
      control.Run([&] { EXPECT_EQ(control.Run([&] { ++nested; }).Result, Outcome::Declined); });
  EXPECT_EQ(nested, 0);
  EXPECT_EQ(result.Result, Outcome::Completed);
  // A stop outside a run changes nothing.
  control.Stop();
  EXPECT_EQ(control.Run([] {}).Result, Outcome::Completed);
}

}  // namespace
}  // namespace tamarack
