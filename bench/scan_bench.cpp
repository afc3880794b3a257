// The Analyze command against a plain read() loop over the same file, with
// the page cache warm: the scan should run at the speed of reading.
//
// Each iteration reads the file once with read() and analyses it once with
// the whole program (real files, quiet window). The counters give both
// speeds and their ratio, scan_vs_read (1.0: the scan costs nothing beyond
// the reads), from the best iteration of each and from the totals.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <stdexcept>
#include <string>

#include "bench_files.h"
#include "bench_platform.h"

namespace tamarack::bench {
namespace {

double AnalyzeSeconds(QuietProgram& program) {
  program.Messages.Messages.clear();
  const auto start = std::chrono::steady_clock::now();
  const OperationResult result = program.Whole.Run(Operation::Analyze);
  const auto end = std::chrono::steady_clock::now();
  if (result.Result != Outcome::Completed) {
    throw std::runtime_error("the analysis did not complete");
  }
  return std::chrono::duration<double>(end - start).count();
}

void AnalyzeVsRead(benchmark::State& state, FileKind kind) {
  const std::string path = BenchFile(kind);
  const double gib = static_cast<double>(BenchFileSize()) / (1 << 30);
  QuietProgram program;
  program.Select(path);
  ReadLoopSeconds(path);  // warms the page cache
  AnalyzeSeconds(program);

  double bestRead = std::numeric_limits<double>::max();
  double bestScan = bestRead;
  double totalRead = 0;
  double totalScan = 0;
  for (auto _ : state) {
    const double read = ReadLoopSeconds(path);
    const double scan = AnalyzeSeconds(program);
    state.SetIterationTime(scan);
    bestRead = std::min(bestRead, read);
    bestScan = std::min(bestScan, scan);
    totalRead += read;
    totalScan += scan;
  }
  const AnalysisResult& summary = program.Whole.LastFindings().Analysis;
  state.SetBytesProcessed(state.iterations() * BenchFileSize());
  state.counters["read_GiBps"] = gib / bestRead;
  state.counters["scan_GiBps"] = gib / bestScan;
  state.counters["scan_vs_read"] = bestRead / bestScan;
  state.counters["scan_vs_read_mean"] = totalRead / totalScan;
  state.counters["error_MiB"] = summary.ErrorBytes / double(1 << 20);
  state.counters["codes"] = static_cast<double>(summary.Codes.size());
}

// Analyze of a file that is not in the page cache (dropped with
// POSIX_FADV_DONTNEED before each round): the read speed from the disk, and
// the longest time the window would go without handling its events, which
// must stay within the half second between progress updates plus one block.
void AnalyzeColdPumpGap(benchmark::State& state) {
  const std::string path = BenchFile(FileKind::Mixed);
  const double gib = static_cast<double>(BenchFileSize()) / (1 << 30);
  QuietProgram program;
  program.Select(path);
  double longestGap = 0;
  double bestScan = std::numeric_limits<double>::max();
  for (auto _ : state) {
    DropFromPageCache(path);
    program.Pump.Restart();
    const double scan = AnalyzeSeconds(program);
    program.Pump.ProcessPendingEvents();  // the gap up to the operation's end
    state.SetIterationTime(scan);
    bestScan = std::min(bestScan, scan);
    longestGap = std::max(longestGap, program.Pump.LongestGapSeconds());
  }
  state.counters["cold_scan_GiBps"] = gib / bestScan;
  state.counters["longest_pump_gap_ms"] = longestGap * 1000;
}

BENCHMARK(AnalyzeColdPumpGap)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(AnalyzeVsRead, mixed, FileKind::Mixed)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(AnalyzeVsRead, uniform_random, FileKind::UniformRandom)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(AnalyzeVsRead, all_zero, FileKind::AllZero)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamarack::bench

BENCHMARK_MAIN();
