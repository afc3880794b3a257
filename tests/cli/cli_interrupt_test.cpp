// Ctrl-C, requests to end and questions on a terminal, run on the built
// tamarack-cli.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/cli_process.h"

namespace tamarack::testing {
namespace {

using std::chrono::seconds;

constexpr int64_t LargeSize = int64_t{3} << 29;

// Without a terminal, Ctrl-C is a Yes to the stop question, as are the
// requests to end (termination, hang-up): the scan stops, and the JSON says
// so.
TEST(CliInterruptTest, InterruptsWithoutATerminalStopTheScan) {
  TempDir folder;
  const std::string file = SparseFile(folder / "large.avi", LargeSize);
  const std::string toEnd = "Stop current operation?\ntamarack-cli: asked to end: answered Yes\n";
  const std::pair<int, std::string> cases[] = {
      {SIGINT, "Current operation paused.\nStop current operation?\n"},
      {SIGTERM, toEnd},
      {SIGHUP, toEnd}};
  for (const auto& [signal, message] : cases) {
    SCOPED_TRACE(signal);
    CliProcess process({"analyze", "--json", "--progress", file});
    ASSERT_TRUE(process.WaitForErr("Analyzing - ", seconds(60)));
    process.Signal(signal);
    const CliResult run = process.Finish();
    EXPECT_EQ(run.Status, 3) << run.Err;
    EXPECT_NE(run.Err.find(message), std::string::npos) << run.Err;
    EXPECT_EQ(nlohmann::json::parse(run.Out)["completed"], false);
  }
}

// On a terminal Ctrl-C asks; a second Ctrl-C, or a termination while the
// question is asked, stops.
TEST(CliInterruptTest, CtrlCOnATerminalAsksAndASecondOneStops) {
  TempDir folder;
  const std::string file = SparseFile(folder / "large.avi", LargeSize);
  for (const bool terminate : {false, true}) {
    TerminalProcess process({"analyze", file});
    ASSERT_TRUE(process.WaitFor("Analyzing - ", seconds(60)));
    process.Type("\x03");
    ASSERT_TRUE(process.WaitFor("Stop current operation? [Y/n] ", seconds(30)));
    if (terminate) {
      process.Signal(SIGTERM);
    } else {
      process.Type("\x03");
    }
    const CliResult run = process.Finish();
    EXPECT_EQ(run.Status, 3) << run.Out;
    EXPECT_EQ(run.Out.find("Analysis complete."), std::string::npos);
  }
}

// Over several files the progress shows which file is being analysed; a No
// to the stop question goes on, a Yes ends the whole run after that file.
TEST(CliInterruptTest, CtrlCInARunOverSeveralFilesStopsTheRun) {
  TempDir folder;
  const std::string first = SparseFile(folder / "large.avi", LargeSize);
  const std::string second = SparseFile(folder / "second.avi", LargeSize);
  const std::string third = folder / "third.avi";
  WriteRealFile(third, NonZeroBytes(5000, 4));
  TerminalProcess process({"analyze", first, second, third});
  ASSERT_TRUE(process.WaitFor("[1/3] Analyzing - ", seconds(60)));
  process.Type("\x03");
  ASSERT_TRUE(process.WaitFor("Stop current operation? [Y/n] ", seconds(30)));
  process.Type("n\n");
  ASSERT_TRUE(process.WaitFor("[2/3] Analyzing - ", seconds(60)));
  process.Type("\x03");
  ASSERT_TRUE(process.WaitFor("Stop current operation? [Y/n] ", seconds(30)));
  process.Type("y\n");
  const CliResult run = process.Finish();
  EXPECT_EQ(run.Status, 3) << run.Out;
  // All zeros past 16 KiB: judged fake, so no codes.
  EXPECT_NE(run.Out.find(first + ": 0.1% real data, 1,610,597,376 error bytes, 0 patch codes\r\n"),
            std::string::npos)
      << run.Out;
  EXPECT_NE(run.Out.find(second + ": stopped\r\n"), std::string::npos) << run.Out;
  EXPECT_EQ(run.Out.find(third), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("Stopped. 3 files: 0 without errors, 1 with errors, 2 not analysed."),
            std::string::npos)
      << run.Out;
}

TEST(CliInterruptTest, QuestionOnATerminalIsAsked) {
  TempDir folder;
  const std::vector<uint8_t> bytes = NonZeroBytes(200000, 3);
  WriteRealFile(folder / "film.avi", bytes);
  WriteRealFile(folder / "BACKUP.film.avi", {'o', 'l', 'd'});

  TerminalProcess declined({"backup", folder / "film.avi"});
  ASSERT_TRUE(
      declined.WaitFor("Overwrite \"" + folder / "BACKUP.film.avi" + "\"? [y/N] ", seconds(30)));
  declined.Type("\n");
  EXPECT_EQ(declined.Finish().Status, 3);
  EXPECT_EQ(ReadRealFile(folder / "BACKUP.film.avi").size(), 3u);

  TerminalProcess accepted({"backup", folder / "film.avi"});
  ASSERT_TRUE(accepted.WaitFor("[y/N] ", seconds(30)));
  accepted.Type("Yes\n");
  const CliResult run = accepted.Finish();
  EXPECT_EQ(run.Status, 0) << run.Out;
  EXPECT_NE(run.Out.find("has been created."), std::string::npos);
  EXPECT_EQ(ReadRealFile(folder / "BACKUP.film.avi"), bytes);
}

}  // namespace
}  // namespace tamarack::testing
