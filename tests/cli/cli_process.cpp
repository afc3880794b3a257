#include "cli/cli_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <thread>

namespace tamarack::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> ArgvOf(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

std::vector<std::string> WithProgram(const std::vector<std::string>& args) {
  std::vector<std::string> all = {TAMARACK_CLI};
  all.insert(all.end(), args.begin(), args.end());
  return all;
}

// Appends what the descriptor has; closes it and sets it to -1 at its end.
void Drain(int& fd, std::string& into) {
  char chunk[65536];
  const ssize_t n = ::read(fd, chunk, sizeof chunk);
  if (n > 0) {
    into.append(chunk, static_cast<size_t>(n));
  } else if (n == 0 || errno != EINTR) {
    ::close(fd);
    fd = -1;
  }
}

int StatusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
  return -1;
}

// Waits for the child to end, killing it after the deadline.
int Reap(pid_t pid, Clock::time_point deadline) {
  int status = 0;
  while (true) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return StatusOf(status);
    if (done < 0) return -1;
    if (Clock::now() > deadline) ::kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& input,
                       const ChildSetup& setup)
    : input_(input) {
  int in[2], out[2], err[2];
  if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> all = WithProgram(args);
  if (!setup.Faults.empty()) {
    // LeakSanitizer cannot work under ptrace and would fail every traced run.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string options =
        "ASAN_OPTIONS=" + (asan != nullptr ? std::string(asan) + ":" : std::string()) +
        "detect_leaks=0";
    std::vector<std::string> traced = {"/usr/bin/strace", "-f", "-qq",  "-o",
                                       "/dev/null",       "-E", options};
    traced.insert(traced.end(), setup.Faults.begin(), setup.Faults.end());
    all.insert(all.begin(), traced.begin(), traced.end());
  }
  std::vector<char*> argv = ArgvOf(all);
  pid_ = ::fork();
  if (pid_ == 0) {
    int output = out[1];
    if (!setup.OutputPath.empty()) output = ::open(setup.OutputPath.c_str(), O_WRONLY | O_CLOEXEC);
    if (setup.FileSizeLimit >= 0) {
      // Without this the limit would kill the child instead of failing its
      // write.
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{static_cast<rlim_t>(setup.FileSizeLimit),
                         static_cast<rlim_t>(setup.FileSizeLimit)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (output < 0) ::_exit(126);
    if (!setup.WorkingFolder.empty() && ::chdir(setup.WorkingFolder.c_str()) != 0) ::_exit(126);
    const uid_t nobody = 65534;
    if (setup.Unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)) {
      ::_exit(126);
    }
    ::dup2(in[0], STDIN_FILENO);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  inFd_ = in[1];
  outFd_ = out[0];
  errFd_ = err[0];
  // A child that stops reading its input must not end the test with SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  if (input_.empty()) {
    ::close(inFd_);
    inFd_ = -1;
  }
}

bool FaultInjectionWorks() {
  static const bool works =
      ::system(
          "/usr/bin/strace -f -qq -o /dev/null -e inject=fsync:error=EIO true "
          ">/dev/null 2>&1") == 0;
  return works;
}

CliProcess::~CliProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  for (int fd : {inFd_, outFd_, errFd_}) {
    if (fd >= 0) ::close(fd);
  }
}

bool CliProcess::Pump(int waitMilliseconds) {
  pollfd fds[3] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}, {inFd_, POLLOUT, 0}};
  if (outFd_ < 0 && errFd_ < 0) return false;
  if (::poll(fds, 3, waitMilliseconds) <= 0) return true;
  if (outFd_ >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) Drain(outFd_, result_.Out);
  if (errFd_ >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) Drain(errFd_, result_.Err);
  if (inFd_ >= 0 && (fds[2].revents & (POLLOUT | POLLHUP | POLLERR))) {
    const ssize_t n = ::write(inFd_, input_.data() + written_, input_.size() - written_);
    if (n > 0) written_ += static_cast<size_t>(n);
    if (n < 0 || written_ == input_.size()) {
      ::close(inFd_);
      inFd_ = -1;
    }
  }
  return true;
}

bool CliProcess::WaitForErr(const std::string& text, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (result_.Err.find(text) == std::string::npos) {
    if (Clock::now() > deadline || !Pump(20)) return false;
  }
  return true;
}

void ChildProcess::Signal(int signal) { ::kill(pid_, signal); }

CliResult ChildProcess::Finish(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (Pump(20)) {
    if (Clock::now() > deadline) ::kill(pid_, SIGKILL);
  }
  result_.Status = Reap(pid_, deadline);
  pid_ = -1;
  return result_;
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& input) {
  CliProcess process(args, input);
  return process.Finish();
}

CliResult RunCliTo(const std::string& outputPath, const std::vector<std::string>& args) {
  ChildSetup setup;
  setup.OutputPath = outputPath;
  CliProcess process(args, "", setup);
  return process.Finish();
}

TerminalProcess::TerminalProcess(const std::vector<std::string>& args) {
  std::vector<std::string> all = WithProgram(args);
  std::vector<char*> argv = ArgvOf(all);
  pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
  if (pid_ < 0) throw std::runtime_error("forkpty");
  if (pid_ == 0) {
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
}

TerminalProcess::~TerminalProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) ::close(master_);
}

// The terminal's output goes to Out; a pseudo-terminal reports its end as
// an error (EIO) once the child has closed it.
bool TerminalProcess::Pump(int waitMilliseconds) {
  if (master_ < 0) return false;
  pollfd fd{master_, POLLIN, 0};
  if (::poll(&fd, 1, waitMilliseconds) <= 0) return true;
  Drain(master_, result_.Out);
  return master_ >= 0;
}

bool TerminalProcess::WaitFor(const std::string& text, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (true) {
    const size_t at = result_.Out.find(text, seen_);
    if (at != std::string::npos) {
      seen_ = at + text.size();
      return true;
    }
    if (Clock::now() > deadline || !Pump(20)) return false;
  }
}

void TerminalProcess::Type(const std::string& text) {
  if (master_ >= 0 && ::write(master_, text.data(), text.size()) < 0) {
    throw std::runtime_error("write to terminal");
  }
}

std::vector<uint8_t> NonZeroBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(1, 255);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(byte(random));
  return bytes;
}

std::string SparseFile(const std::filesystem::path& path, int64_t size) {
  WriteRealFile(path, {});
  std::filesystem::resize_file(path, static_cast<uintmax_t>(size));
  return path.string();
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

ShellResult Shell(const std::string& command) {
  ShellResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    result.Out.append(buffer, got);
  }
  const int status = ::pclose(pipe);
  result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace tamarack::testing
