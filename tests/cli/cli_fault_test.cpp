// Faults that strace injects into the system calls of a real run: a folder
// sync that fails, calls that signals interrupt, a kill in the middle of a
// commit and a deletion that fails. The results are compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_process.h"

namespace tamarack::testing {
namespace {

namespace fs = std::filesystem;

class CliFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!FaultInjectionWorks()) GTEST_SKIP() << "strace cannot trace a child here";
    intact = NonZeroBytes(400000, 7);
    damaged = intact;
    std::fill_n(damaged.begin() + 70000, 90000, 0);
    WriteRealFile(folder / "film.avi", damaged);
    WriteRealFile(folder / "intact.avi", intact);
  }

  static CliResult RunWith(const std::vector<std::string>& faults,
                           const std::vector<std::string>& args) {
    ChildSetup setup;
    setup.Faults = faults;
    CliProcess process(args, "", setup);
    return process.Finish();
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.Path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Every command that writes an output, and the output it writes.
  struct OutputCommand {
    std::vector<std::string> Args;
    std::string Output;
  };
  std::vector<OutputCommand> OutputCommands() const {
    return {
        {{"backup", folder / "film.avi"}, folder / "BACKUP.film.avi"},
        {{"create-patch", "--yes", folder / "intact.avi", "00011", "00021"}, folder / "intact.tkp"},
        {{"analyze", "--map", folder / "map.png", folder / "film.avi"}, folder / "map.png"},
        {{"analyze", "--mapfile", folder / "film.map", folder / "film.avi"}, folder / "film.map"}};
  }

  TempDir folder;
  std::vector<uint8_t> intact;
  std::vector<uint8_t> damaged;
};

// The output is not known to be on the disk when the folder's sync fails:
// a write failure, never "has been created".
TEST_F(CliFaultTest, AFailedFolderSyncIsAWriteFailure) {
  for (const OutputCommand& command : OutputCommands()) {
    const CliResult run = RunWith({"-e", "inject=fsync:error=EIO"}, command.Args);
    EXPECT_EQ(run.Status, 1) << command.Args[0] << ": " << run.Err;
    EXPECT_EQ(run.Out.find("has been created"), std::string::npos) << run.Out;
    EXPECT_TRUE(run.Err.find("could not be written to.") != std::string::npos ||
                run.Err.find("cannot be written to \"" + command.Output +
                             "\": " + std::strerror(EIO)) != std::string::npos)
        << run.Err;
  }
}

// Interrupted calls: every other call of each kind in one run; in another
// every close of the files and their folder (strace's -P leaves out the
// loader's closes, which give up). Each call is made again, and the results
// are those of an undisturbed run.
TEST_F(CliFaultTest, InterruptedCallsAreRetried) {
  const std::vector<std::vector<std::string>> interruptions = {
      {"-e", "inject=write,fsync,fdatasync,linkat,/^rename,/^unlink,flock:error=EINTR:when=1+2"},
      {"-P", folder / "film.avi", "-P", folder / "intact.avi", "-P", folder.Path(), "-e",
       "inject=close:error=EINTR"}};
  for (const std::vector<std::string>& interrupted : interruptions) {
    for (const OutputCommand& command : OutputCommands()) {
      const CliResult calm = RunCli(command.Args);
      ASSERT_EQ(calm.Status, 0) << calm.Err;
      const std::vector<uint8_t> expected = ReadRealFile(command.Output);
      fs::remove(command.Output);
      const CliResult run = RunWith(interrupted, command.Args);
      EXPECT_EQ(run.Status, 0) << interrupted.back() << " " << command.Args[0] << ": " << run.Err;
      EXPECT_EQ(run.Out, calm.Out);
      EXPECT_EQ(ReadRealFile(command.Output), expected) << command.Output;
      fs::remove(command.Output);
    }
    const CliResult repair = RunWith(interrupted, {"repair-reference", "--delete-reference",
                                                   folder / "film.avi", folder / "intact.avi"});
    EXPECT_EQ(repair.Status, 0) << repair.Err;
    EXPECT_EQ(ReadRealFile(folder / "film.avi"), intact);
    EXPECT_FALSE(fs::exists(folder / "intact.avi"));
    WriteRealFile(folder / "film.avi", damaged);
    WriteRealFile(folder / "intact.avi", intact);
  }
}

// A kill between the temporary's link and its rename leaves it behind; the
// next run that writes into the folder removes it, and only it.
TEST_F(CliFaultTest, TheNextRunRemovesWhatAKilledCommitLeft) {
  const std::vector<std::string> backup = {"backup", folder / "film.avi"};
  const CliResult killed = RunWith({"-e", "inject=/^rename:signal=KILL"}, backup);
  ASSERT_EQ(killed.Status, 128 + SIGKILL) << killed.Err;
  const std::vector<std::string> left = Names();
  ASSERT_EQ(left.size(), 3u);
  EXPECT_EQ(left[0].rfind(".tamarack-", 0), 0u) << left[0];
  EXPECT_FALSE(fs::exists(folder / "BACKUP.film.avi"));

  const CliResult again = RunCli(backup);
  EXPECT_EQ(again.Status, 0) << again.Err;
  EXPECT_EQ(Names(), (std::vector<std::string>{"BACKUP.film.avi", "film.avi", "intact.avi"}));
  EXPECT_EQ(ReadRealFile(folder / "BACKUP.film.avi"), damaged);
}

// The repair is complete when the reference cannot be deleted; the exit
// status tells a script that the file is still there.
TEST_F(CliFaultTest, AReferenceThatCannotBeDeletedGivesFive) {
  const CliResult run = RunWith(
      {"-e", "inject=/^unlink:error=EACCES"},
      {"repair-reference", "--delete-reference", folder / "film.avi", folder / "intact.avi"});
  EXPECT_EQ(run.Status, 5) << run.Err;
  EXPECT_NE(run.Err.find("This Reference file cannot be deleted."), std::string::npos);
  EXPECT_EQ(ReadRealFile(folder / "film.avi"), intact);
  EXPECT_TRUE(fs::exists(folder / "intact.avi"));
}

}  // namespace
}  // namespace tamarack::testing
