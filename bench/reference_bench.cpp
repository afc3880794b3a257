// Repair with Reference against a plain read() loop over both files, with
// the page cache warm and only a few blocks to repair: the repair should take
// at most 1.2 times as long as reading the two files.
//
// The reference is the mixed bench file; the selected file is a copy of it
// with four holes of 64 KiB punched in, so four blocks change and are
// written back. Each iteration reads both files once with read() and then
// repairs the punched copy once with the whole program (real files, quiet
// window). repair_vs_read is the repair's time over the reads' time, from
// the best iteration of each and from the totals.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_files.h"
#include "bench_platform.h"
#include "repair/zero_fill.h"

namespace tamarack::bench {
namespace {

constexpr int64_t HoleSize = 65536;

// Four holes spread over the file, none on a block boundary.
std::vector<int64_t> HoleOffsets(int64_t size) {
  return {size / 8 + 1000, 3 * size / 8 + 7, 5 * size / 8, 7 * size / 8 - HoleSize - 3};
}

void PunchHoles(const std::string& path, int64_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  const std::vector<uint8_t> zeros(HoleSize, 0);
  for (int64_t offset : HoleOffsets(size)) {
    if (::pwrite(fd, zeros.data(), HoleSize, offset) != HoleSize) {
      ::close(fd);
      throw std::runtime_error("cannot write " + path);
    }
  }
  ::close(fd);
}

// True when the holes of the selected file hold the reference's bytes again.
bool HolesRepaired(const std::string& selected, const std::string& reference, int64_t size) {
  const int a = ::open(selected.c_str(), O_RDONLY | O_CLOEXEC);
  const int b = ::open(reference.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<uint8_t> x(HoleSize);
  std::vector<uint8_t> y(HoleSize);
  bool same = a >= 0 && b >= 0;
  for (int64_t offset : HoleOffsets(size)) {
    same = same && ::pread(a, x.data(), HoleSize, offset) == HoleSize &&
           ::pread(b, y.data(), HoleSize, offset) == HoleSize && x == y;
  }
  ::close(a);
  ::close(b);
  return same;
}

// Answers the reference dialog with the reference file and keeps it: every
// confirmation is answered No.
class ReferenceDialogs : public Dialogs {
 public:
  PromptResult ShowMessage(MessageKind kind, const std::string& text,
                           DefaultAnswer = DefaultAnswer::Yes) override {
    Messages.push_back(text);
    if (kind == MessageKind::Error) ++Errors;
    return kind == MessageKind::Confirmation ? PromptResult::No : PromptResult::Ok;
  }
  std::string ChooseOpenFile(const OpenFileRequest&) override { return ReferencePath; }
  std::string ReferencePath;
  std::vector<std::string> Messages;
  int Errors = 0;
};

using ReferenceProgram = QuietProgramWith<ReferenceDialogs>;

double RepairSeconds(ReferenceProgram& program) {
  program.Messages.Messages.clear();
  const auto start = std::chrono::steady_clock::now();
  program.Whole.Run(Operation::RepairWithReference);
  const auto end = std::chrono::steady_clock::now();
  if (!program.Whole.Control.LastRunCompleted() || program.Messages.Errors > 0) {
    throw std::runtime_error("the repair did not complete");
  }
  return std::chrono::duration<double>(end - start).count();
}

void RepairVsRead(benchmark::State& state) {
  const std::string reference = BenchFile(FileKind::Mixed);
  const int64_t size = BenchFileSize();
  const std::string selected =
      BenchFolder() + "/" + std::to_string(size >> 20) + "MiB-mixed-punched.avi";
  std::filesystem::copy_file(reference, selected,
                             std::filesystem::copy_options::overwrite_existing);
  ReferenceProgram program;
  program.Select(selected);
  program.Messages.ReferencePath = reference;
  ReadLoopSeconds(selected);  // warms the page cache
  ReadLoopSeconds(reference);
  PunchHoles(selected, size);
  RepairSeconds(program);  // one untimed round

  double bestRead = std::numeric_limits<double>::max();
  double bestRepair = bestRead;
  double totalRead = 0;
  double totalRepair = 0;
  for (auto _ : state) {
    PunchHoles(selected, size);
    const double read = ReadLoopSeconds(selected) + ReadLoopSeconds(reference);
    const double repair = RepairSeconds(program);
    state.SetIterationTime(repair);
    bestRead = std::min(bestRead, read);
    bestRepair = std::min(bestRepair, repair);
    totalRead += read;
    totalRepair += repair;
  }
  if (!HolesRepaired(selected, reference, size)) {
    state.SkipWithError("the holes were not repaired");
  }
  std::filesystem::remove(selected);
  const double gib = 2.0 * static_cast<double>(size) / (1 << 30);
  state.SetBytesProcessed(state.iterations() * 2 * size);
  state.counters["read_GiBps"] = gib / bestRead;
  state.counters["repair_GiBps"] = gib / bestRepair;
  state.counters["repair_vs_read"] = bestRepair / bestRead;
  state.counters["repair_vs_read_mean"] = totalRepair / totalRead;
}

// The merge kernel alone on one block whose zeros all face zeros, the
// common case, and on one with a single byte to fill.
void FillZeroBytesBlock(benchmark::State& state, bool oneFill) {
  std::vector<uint8_t> target(262144, 5);
  std::vector<uint8_t> source(262144, 9);
  for (size_t i = 0; i < target.size(); i += 300) target[i] = source[i] = 0;
  for (auto _ : state) {
    if (oneFill) target[1000] = 0;
    benchmark::DoNotOptimize(FillZeroBytes(target, source));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(target.size()));
}

BENCHMARK(RepairVsRead)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FillZeroBytesBlock, nothing_to_fill, false);
BENCHMARK_CAPTURE(FillZeroBytesBlock, one_fill, true);

}  // namespace
}  // namespace tamarack::bench

BENCHMARK_MAIN();
