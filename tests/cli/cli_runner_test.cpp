// The console front end run in this process, with interrupts that come at
// chosen moments of an operation instead of at the moments of a signal.
#include "app/cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <sstream>

#include "cli/cli_process.h"
#include "platform/posix/posix_file_system.h"
#include "support/fakes.h"

namespace tamarack::testing {
namespace {

namespace fs = std::filesystem;

// The user's interrupt comes once standard output holds a text (at once
// for an empty one); the request to end the program comes at the given test
// of it, counted from 1, and stays.
class TriggeredInterrupts : public InterruptSource {
 public:
  explicit TriggeredInterrupts(const std::ostringstream& out) : out_(out) {}

  bool TakeInterrupt() override {
    if (!InterruptAfter || out_.str().find(*InterruptAfter) == std::string::npos) return false;
    InterruptAfter.reset();
    return true;
  }
  bool TerminationRequested() override { return TerminateAt > 0 && ++tests_ >= TerminateAt; }

  void TerminateAtTest(int test) {
    TerminateAt = test;
    tests_ = 0;
  }

  std::optional<std::string> InterruptAfter;

 private:
  const std::ostringstream& out_;
  int TerminateAt = 0;
  int tests_ = 0;
};

class NoAnswers : public AnswerInput {
 public:
  InputLine ReadLine() override { return {InputEvent::End, ""}; }
};

class CliRunnerTest : public ::testing::Test {
 protected:
  CliRunnerTest() {
    intact = NonZeroBytes(3000000, 31);
    damaged = intact;
    std::fill_n(damaged.begin() + 700000, 400000, 0);
    WriteRealFile(folder / "film.avi", damaged);
    WriteRealFile(folder / "ref.avi", intact);
    // Every progress test is due: the event pump runs at each block.
    clock.Step = 1000;
  }

  int Run(CliCommand command, std::vector<std::string> codes = {}) {
    CliRequest request;
    request.Command = command;
    request.File = folder / "film.avi";
    if (command == CliCommand::RepairReference) request.References = {folder / "ref.avi"};
    request.Codes = std::move(codes);
    request.Answers = command == CliCommand::RepairReference ? AnswerPolicy::No : AnswerPolicy::Yes;
    CliHost host{files, clock, output, input, interrupts, false, -1};
    return RunCli(request, host);
  }

  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.Path())) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  TempDir folder;
  std::vector<uint8_t> intact;
  std::vector<uint8_t> damaged;
  // Hidden temporary names, so that one left behind would be seen.
  PosixFileSystem files{PosixFileSystem::OutputNaming::HiddenName};
  FakeClock clock;
  std::ostringstream out;
  std::ostringstream err;
  ConsoleOutput output{out, err, false};
  NoAnswers input;
  TriggeredInterrupts interrupts{out};
};

struct Finished {
  CliCommand Command;
  std::vector<std::string> Codes;
  std::string Message;
};

const std::vector<Finished> Operations = {
    {CliCommand::Analyze, {}, "Analysis complete."},
    {CliCommand::Backup, {}, "has been created."},
    {CliCommand::CreatePatch, {"0000F", "0010F", "0020C"}, "has been created."},
    {CliCommand::RepairReference, {}, "Referencing complete."},
};

TEST_F(CliRunnerTest, InterruptAfterTheLastStepChangesNothing) {
  for (const Finished& operation : Operations) {
    out.str("");
    err.str("");
    interrupts.InterruptAfter = operation.Message;
    EXPECT_EQ(Run(operation.Command, operation.Codes), 0) << operation.Message << err.str();
    EXPECT_NE(out.str().find(operation.Message), std::string::npos) << out.str();
    EXPECT_EQ(err.str().find("Stop current operation?"), std::string::npos) << err.str();
  }
  EXPECT_EQ(ReadRealFile(folder / "BACKUP.film.avi"), damaged);
  EXPECT_EQ(ReadRealFile(folder / "film.avi"), intact);
}

TEST_F(CliRunnerTest, InterruptBeforeTheLastStepStops) {
  interrupts.InterruptAfter = "";
  EXPECT_EQ(Run(CliCommand::Backup), 3);
  EXPECT_NE(err.str().find("Stop current operation?\ntamarack-cli: interrupted: answered Yes\n"),
            std::string::npos)
      << err.str();
  EXPECT_FALSE(fs::exists(folder / "BACKUP.film.avi"));
}

// A request to end the program at each test of the operation in turn: the
// run ends stopped, or, past the last step, complete; the old output stays
// until the new one is whole, and no temporary file is left.
TEST_F(CliRunnerTest, RequestToEndAtEveryMomentLeavesTheOldOutputOrTheNewOne) {
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  for (const Finished& operation : {Operations[1], Operations[2]}) {
    const std::string name =
        operation.Command == CliCommand::Backup ? "BACKUP.film.avi" : "film.tkp";
    std::vector<uint8_t> complete;
    int stops = 0;
    for (int at = 1;; ++at) {
      WriteRealFile(folder / name, old);
      out.str("");
      err.str("");
      interrupts.TerminateAtTest(at);
      const int status = Run(operation.Command, operation.Codes);
      EXPECT_EQ(Names(), std::set<std::string>({"film.avi", "ref.avi", name})) << at;
      if (status == 0) {
        EXPECT_NE(out.str().find(operation.Message), std::string::npos);
        complete = ReadRealFile(folder / name);
        break;
      }
      ASSERT_EQ(status, 3) << at << err.str();
      EXPECT_NE(err.str().find("tamarack-cli: asked to end: answered Yes"), std::string::npos);
      EXPECT_EQ(ReadRealFile(folder / name), old) << at;
      ++stops;
    }
    EXPECT_GT(stops, 2) << name;
    if (operation.Command == CliCommand::Backup) {
      EXPECT_EQ(complete, damaged);
    }
    EXPECT_GT(complete.size(), 45u * 65536u);
    fs::remove(folder / name);
  }
}

}  // namespace
}  // namespace tamarack::testing
