// SIGTERM and SIGKILL sent to the built tamarack-cli at random
// moments of its work: the files it writes appear under their names only
// complete, the old ones stay until then, and a stop leaves nothing behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "cli/cli_process.h"

namespace tamarack::testing {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int64_t LargeSize = int64_t{1} << 30;

// A sparse file of 1 GiB with data in a few places: little disk, and a copy
// long enough to be interrupted.
void WriteLargeFile(const std::string& path) {
  SparseFile(path, LargeSize);
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  for (const int64_t at : {int64_t{0}, LargeSize / 3, LargeSize - 300000}) {
    const std::vector<uint8_t> bytes = NonZeroBytes(300000, static_cast<uint32_t>(at));
    file.seekp(at);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  if (!file) throw std::runtime_error("cannot write " + path);
}

// Compares two files a piece at a time, so that no file is held whole.
bool SameBytes(const std::string& a, const std::string& b) {
  std::ifstream first(a, std::ios::binary);
  std::ifstream second(b, std::ios::binary);
  if (!first || !second) return false;
  std::vector<char> x(1 << 20), y(1 << 20);
  while (true) {
    first.read(x.data(), static_cast<std::streamsize>(x.size()));
    second.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (first.gcount() != second.gcount()) return false;
    if (!std::equal(x.begin(), x.begin() + first.gcount(), y.begin())) return false;
    if (first.gcount() == 0) return true;
  }
}

std::set<std::string> NamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// The hidden temporary files that a killed run may leave.
void RemoveTemporaryFiles(const fs::path& folder) {
  for (const std::string& name : NamesIn(folder)) {
    if (name.front() == '.') fs::remove(folder / name);
  }
}

// One operation that writes a file, run again and again and ended by a
// signal at a random moment once its work has begun.
class SignalledOutput : public ::testing::Test {
 protected:
  SignalledOutput() : source(folder / "large.avi") { WriteLargeFile(source); }

  // Runs the command and sends the signal after a random delay of up to
  // maxDelay from the moment the progress shows the text; the first run
  // sends it at once, so that at least one run is stopped part-way.
  CliResult RunAndSignal(const std::vector<std::string>& args, const std::string& progress,
                         int signal, int run, milliseconds maxDelay) {
    CliProcess process(args);
    EXPECT_TRUE(process.WaitForErr(progress, seconds(60)));
    std::uniform_int_distribution<int64_t> delay(0, maxDelay.count());
    if (run > 0) std::this_thread::sleep_for(milliseconds(delay(random)));
    process.Signal(signal);
    return process.Finish();
  }

  // The checks after each run: the output is the old file or the complete
  // new one, and the old one after a run that SIGTERM stopped; after SIGTERM
  // no temporary file remains. Returns whether the run was stopped.
  bool CheckRun(const CliResult& run, int signal, const std::string& output,
                const std::string& complete, const std::set<std::string>& names) {
    const bool stopped = run.Status == (signal == SIGKILL ? 128 + SIGKILL : 3);
    EXPECT_TRUE(stopped || run.Status == 0) << run.Status << ": " << run.Err;
    // The output is never read whole: a complete patch runs to hundreds of MB.
    std::error_code missing;
    const bool old = fs::file_size(output, missing) == Old.size() && ReadRealFile(output) == Old;
    if (stopped && signal == SIGKILL) {
      // A kill may come after the output took its name and before the
      // process ended.
      EXPECT_TRUE(old || SameBytes(output, complete)) << "a partial file under " << output;
    } else if (stopped) {
      EXPECT_TRUE(old) << "a partial file under " << output;
    } else {
      EXPECT_TRUE(SameBytes(output, complete)) << output << " differs from a full run's";
    }
    if (signal == SIGKILL) {
      RemoveTemporaryFiles(fs::path(output).parent_path());
    } else {
      EXPECT_EQ(NamesIn(fs::path(output).parent_path()), names);
    }
    return stopped;
  }

  const std::vector<uint8_t> Old = {'o', 'l', 'd'};
  TempDir folder;
  std::string source;
  std::mt19937 random{std::random_device{}()};
};

constexpr int Runs = 3;

TEST_F(SignalledOutput, BackupIsCompleteOrTheOldOneStays) {
  const std::string backup = folder / "BACKUP.large.avi";
  for (const int signal : {SIGTERM, SIGKILL}) {
    int stopped = 0;
    for (int run = 0; run < Runs; ++run) {
      WriteRealFile(backup, Old);
      const CliResult result = RunAndSignal({"backup", "--yes", "--progress", source},
                                            "Creating Backup - ", signal, run, milliseconds(3000));
      stopped += CheckRun(result, signal, backup, source, {"large.avi", "BACKUP.large.avi"});
    }
    EXPECT_GT(stopped, 0) << "signal " << signal;
  }
}

TEST_F(SignalledOutput, PatchIsCompleteOrTheOldOneStays) {
  // Codes for every unit of the file, 16 units a code, as many as a patch
  // takes.
  std::string codes;
  for (int unit = 0; unit < LargeSize / 65536; unit += 16) {
    char code[8];
    std::snprintf(code, sizeof code, "%04XF ", unit);
    codes += code;
  }
  WriteRealFile(folder / "codes.txt", std::vector<uint8_t>(codes.begin(), codes.end()));
  const std::vector<std::string> args = {
      "create-patch", "--yes", "--progress", "--codes-from", folder / "codes.txt", source};
  const std::string patch = folder / "large.tkp";
  const std::string complete = folder / "complete.tkp";
  ASSERT_EQ(RunCli(args).Status, 0);
  fs::rename(patch, complete);

  const std::set<std::string> names = {"large.avi", "codes.txt", "complete.tkp", "large.tkp"};
  for (const int signal : {SIGTERM, SIGKILL}) {
    int stopped = 0;
    for (int run = 0; run < Runs; ++run) {
      WriteRealFile(patch, Old);
      // The progress shows each percent: the signal comes within the run.
      const CliResult result =
          RunAndSignal(args, "Creating Patch - 1%\n", signal, run, milliseconds(200));
      stopped += CheckRun(result, signal, patch, complete, names);
    }
    EXPECT_GT(stopped, 0) << "signal " << signal;
  }
}

// True once the process holds the path open or waits in the kernel for a
// pipe's other end.
bool OpensOrWaitsFor(pid_t pid, const fs::path& path) {
  std::ifstream wchan("/proc/" + std::to_string(pid) + "/wchan");
  std::string waitingIn;
  if (wchan >> waitingIn && waitingIn == "wait_for_partner") return true;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    if (fs::read_symlink(entry.path(), error) == path) return true;
  }
  return false;
}

TEST(CliSignalTest, TerminationEndsTheWaitForPatchCodesFromAPipe) {
  TempDir folder;
  WriteRealFile(folder / "film.avi", NonZeroBytes(200000, 5));
  const fs::path pipe = folder / "codes";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  // Nothing ever writes to the pipe.
  CliProcess process({"create-patch", "--codes-from", pipe, folder / "film.avi"});
  const auto deadline = std::chrono::steady_clock::now() + seconds(30);
  while (!OpensOrWaitsFor(process.Pid(), pipe) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  process.Signal(SIGTERM);
  const CliResult run = process.Finish(seconds(20));
  EXPECT_EQ(run.Status, 3) << run.Err;
  EXPECT_NE(run.Err.find("stopped while reading the patch codes"), std::string::npos) << run.Err;
  EXPECT_FALSE(fs::exists(folder / "film.tkp"));
}

TEST(CliSignalTest, TerminationWhileAQuestionIsAskedAnswersItAsAStop) {
  TempDir folder;
  const std::vector<uint8_t> bytes = NonZeroBytes(200000, 3);
  WriteRealFile(folder / "film.avi", bytes);
  WriteRealFile(folder / "BACKUP.film.avi", {'o', 'l', 'd'});
  TerminalProcess overwrite({"backup", folder / "film.avi"});
  ASSERT_TRUE(overwrite.WaitFor("[y/N] ", seconds(30)));
  overwrite.Signal(SIGTERM);
  EXPECT_EQ(overwrite.Finish().Status, 3);
  EXPECT_EQ(ReadRealFile(folder / "BACKUP.film.avi").size(), 3u);

  // The deletion offer comes after the repair's work: answered No, the
  // reference stays, and the run still ends as stopped.
  std::vector<uint8_t> damaged = bytes;
  std::fill_n(damaged.begin() + 50000, 100000, 0);
  WriteRealFile(folder / "film.avi", damaged);
  WriteRealFile(folder / "ref.avi", bytes);
  TerminalProcess reference({"repair-reference", folder / "film.avi", folder / "ref.avi"});
  ASSERT_TRUE(reference.WaitFor("Delete this Reference file? [y/N] ", seconds(30)));
  reference.Signal(SIGHUP);
  const CliResult run = reference.Finish();
  EXPECT_EQ(run.Status, 3) << run.Out;
  EXPECT_TRUE(fs::exists(folder / "ref.avi"));
  EXPECT_EQ(ReadRealFile(folder / "film.avi"), bytes);
}

}  // namespace
}  // namespace tamarack::testing
