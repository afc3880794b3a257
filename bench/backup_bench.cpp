// Create Backup against cp and against a plain read()/write() loop in blocks
// of 262144 bytes, on the same file with the page cache warm: the backup
// should take at most 1.1 times as long as cp.
//
// Each iteration copies the mixed bench file once with cp, once with the
// loop and once with the whole program (real files, quiet window), each to
// the backup's name with no backup there before. backup_vs_cp and
// backup_vs_loop are the backup's time over the others', from the best
// iteration of each and from the totals.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_files.h"
#include "bench_platform.h"
#include "core/paths.h"

extern char** environ;

namespace tamarack::bench {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double CpSeconds(const std::string& from, const std::string& to) {
  std::string program = "cp";
  std::string source = from;
  std::string target = to;
  char* argv[] = {program.data(), source.data(), target.data(), nullptr};
  const auto start = Clock::now();
  pid_t pid = 0;
  int status = 0;
  if (::posix_spawnp(&pid, "cp", nullptr, nullptr, argv, environ) != 0 ||
      ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("cp failed");
  }
  return SecondsSince(start);
}

double CopyLoopSeconds(const std::string& from, const std::string& to) {
  AlignedBuffer block(262144);
  const auto start = Clock::now();
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (in < 0 || out < 0) throw std::runtime_error("cannot open for the copy loop");
  for (ssize_t n; (n = ::read(in, block.data(), block.size())) > 0;) {
    if (::write(out, block.data(), static_cast<size_t>(n)) != n) {
      throw std::runtime_error("cannot write " + to);
    }
  }
  ::close(in);
  ::close(out);
  return SecondsSince(start);
}

double BackupSeconds(QuietProgram& program) {
  program.Messages.Messages.clear();
  const auto start = Clock::now();
  program.Whole.Run(Operation::CreateBackup);
  const double seconds = SecondsSince(start);
  if (!program.Whole.Control.LastRunCompleted()) {
    throw std::runtime_error("the backup did not complete");
  }
  return seconds;
}

void BackupVsCp(benchmark::State& state) {
  const std::string selected = BenchFile(FileKind::Mixed);
  const std::string backup = PrefixFileName(selected, "BACKUP.");
  QuietProgram program;
  program.Select(selected);
  ReadLoopSeconds(selected);  // warms the page cache
  // One untimed round: the first copy of each kind runs well below its
  // usual speed while the kernel settles its page cache.
  CpSeconds(selected, backup);
  ::unlink(backup.c_str());
  CopyLoopSeconds(selected, backup);
  ::unlink(backup.c_str());
  BackupSeconds(program);

  constexpr double Never = std::numeric_limits<double>::max();
  double best[3] = {Never, Never, Never};
  double total[3] = {0, 0, 0};
  for (auto _ : state) {
    double seconds[3];
    ::unlink(backup.c_str());
    seconds[0] = CpSeconds(selected, backup);
    ::unlink(backup.c_str());
    seconds[1] = CopyLoopSeconds(selected, backup);
    ::unlink(backup.c_str());
    seconds[2] = BackupSeconds(program);
    state.SetIterationTime(seconds[2]);
    for (int i = 0; i < 3; ++i) {
      best[i] = std::min(best[i], seconds[i]);
      total[i] += seconds[i];
    }
  }
  if (std::filesystem::file_size(backup) != std::filesystem::file_size(selected)) {
    state.SkipWithError("the backup has the wrong size");
  }
  ::unlink(backup.c_str());
  const double gib = static_cast<double>(BenchFileSize()) / (1 << 30);
  state.SetBytesProcessed(state.iterations() * BenchFileSize());
  state.counters["cp_GiBps"] = gib / best[0];
  state.counters["loop_GiBps"] = gib / best[1];
  state.counters["backup_GiBps"] = gib / best[2];
  state.counters["backup_vs_cp"] = best[2] / best[0];
  state.counters["backup_vs_cp_mean"] = total[2] / total[0];
  state.counters["backup_vs_loop"] = best[2] / best[1];
}

BENCHMARK(BackupVsCp)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamarack::bench

BENCHMARK_MAIN();
