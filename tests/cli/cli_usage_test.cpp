// The command line of tamarack-cli: help, version and usage errors, run
// on the built program.
#include <gtest/gtest.h>

#include "cli/cli_process.h"
#include "core/program_strings.h"

namespace tamarack::testing {
namespace {

TEST(CliUsageTest, HelpAndVersionGoToStandardOutput) {
  const CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.Status, 0);
  for (const char* command :
       {"info", "analyze", "backup", "repair-reference", "create-patch", "repair-patch"}) {
    EXPECT_NE(help.Out.find(command), std::string::npos) << command;
  }
  EXPECT_EQ(help.Err, "");

  const CliResult commandHelp = RunCli({"repair-reference", "--help"});
  EXPECT_EQ(commandHelp.Status, 0);
  EXPECT_NE(commandHelp.Out.find("--delete-reference"), std::string::npos);
  EXPECT_NE(commandHelp.Out.find("--progress"), std::string::npos);

  const CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out, ProgramText(ProgramString::ProductName) + " " +
                             ProgramText(ProgramString::Version) + "\n");
  EXPECT_EQ(version.Out.rfind("Tamarack ", 0), 0u);
}

TEST(CliUsageTest, BadCommandLinesAreUsageErrors) {
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"repair"},
      {"analyze"},
      {"analyze", "--bogus", "a.avi"},
      {"analyze", "--all-files", "a.avi"},
      {"analyze", "--map", "m.png", "a.avi", "b.avi"},
      {"analyze", "--map", "m.png", "-r", "videos"},
      {"analyze", "-r"},
      {"--json", "analyze", "a.avi"},
      {"info", ""},
      {"analyze", "--map"},
      {"backup", "--yes", "--no", "a.avi"},
      {"repair-reference", "a.avi"},
      {"repair-reference", "--delete-reference", "--keep-reference", "a.avi", "b.avi"},
      {"repair-patch", "a.avi"},
      {"create-patch", "a.avi"},
      {"create-patch", "a.avi", "0000F", "--codes-from", "codes.txt"},
      {"info", "--yes", "a.avi"},
  };
  for (const std::vector<std::string>& line : lines) {
    std::string shown;
    for (const std::string& arg : line) shown += " " + arg;
    const CliResult run = RunCli(line);
    EXPECT_EQ(run.Status, 2) << shown;
    EXPECT_NE(run.Err, "") << shown;
    EXPECT_EQ(run.Out, "") << shown;
    EXPECT_NE(run.Err.find("Run with --help for more information."), std::string::npos) << shown;
  }
  EXPECT_EQ(RunCli({"repair", "a.avi"}).Err,
            "unknown command \"repair\"\nRun with --help for more information.\n");
}

}  // namespace
}  // namespace tamarack::testing
