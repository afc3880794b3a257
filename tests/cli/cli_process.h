#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_files.h"

namespace tamarack::testing {

struct CliResult {
  int Status = -1;  // the exit status; 128 + the signal when killed
  std::string Out;
  std::string Err;
};

// A running tamarack-cli child and what it has printed so far.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Reads the rest of the output and waits for the end; a child that is
  // still running after the timeout is killed.
  CliResult Finish(std::chrono::milliseconds timeout = std::chrono::seconds(60));
  void Signal(int signal);
  pid_t Pid() const { return pid_; }

 protected:
  // Moves the child's waiting output into the result; false once it has
  // closed its side.
  virtual bool Pump(int waitMilliseconds) = 0;

  pid_t pid_ = -1;
  CliResult result_;
};

// How the child runs besides its pipes.
struct ChildSetup {
  // The largest file the child may write (RLIMIT_FSIZE): a write past it
  // fails with EFBIG, as on a full disk. -1 for no limit.
  int64_t FileSizeLimit = -1;
  // A file that standard output goes to instead of the pipe; empty for the
  // pipe.
  std::string OutputPath;
  // The folder the child starts in; empty for the test's own.
  std::string WorkingFolder;
  // Run as the user nobody when the test runs as the superuser, whom
  // permission bits do not stop.
  bool Unprivileged = false;
  // The options of strace that inject faults into the child's system calls
  // ("-e", "inject=fsync:error=EIO"); none runs the child untraced. See
  // FaultInjectionWorks.
  std::vector<std::string> Faults;
};

// Whether strace is at hand and may trace a child here, so that
// ChildSetup::Faults can be injected.
bool FaultInjectionWorks();

// The built tamarack-cli, run as a child process with pipes for its
// standard streams (so it has no terminal).
class CliProcess : public ChildProcess {
 public:
  CliProcess(const std::vector<std::string>& args, const std::string& input = "",
             const ChildSetup& setup = {});
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  // Reads the child's output until its standard error holds the text;
  // false when the time runs out or the child ends first.
  bool WaitForErr(const std::string& text, std::chrono::milliseconds timeout);

 private:
  // False once both pipes are closed.
  bool Pump(int waitMilliseconds) override;

  int inFd_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  std::string input_;
  size_t written_ = 0;
};

// Runs tamarack-cli to its end.
CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "");
// Runs tamarack-cli to its end with standard output going to a file.
CliResult RunCliTo(const std::string& outputPath, const std::vector<std::string>& args);

// tamarack-cli on a pseudo-terminal: its standard input, output and error
// are the terminal, and what the test writes is typed on it.
class TerminalProcess : public ChildProcess {
 public:
  explicit TerminalProcess(const std::vector<std::string>& args);
  ~TerminalProcess();
  TerminalProcess(const TerminalProcess&) = delete;
  TerminalProcess& operator=(const TerminalProcess&) = delete;

  // Reads until the terminal shows the text after everything read so far
  // was looked at; false when the time runs out or the child ends first.
  bool WaitFor(const std::string& text, std::chrono::milliseconds timeout);
  void Type(const std::string& text);

 private:
  bool Pump(int waitMilliseconds) override;

  int master_ = -1;
  size_t seen_ = 0;
};

// Bytes 1 to 255 from a fixed seed: a file without a single zero byte.
std::vector<uint8_t> NonZeroBytes(size_t size, uint32_t seed);

// A file of the given size that holds no data (a sparse file): no disk used,
// and a scan long enough to be interrupted.
std::string SparseFile(const std::filesystem::path& path, int64_t size);
// The text's lines, without their line ends.
std::vector<std::string> LinesOf(const std::string& text);

struct ShellResult {
  std::string Out;
  int Status = -1;
};
// Runs a shell command: its standard output, and its exit status.
ShellResult Shell(const std::string& command);
// The path quoted for the shell.
std::string Quoted(const std::string& path);

}  // namespace tamarack::testing
