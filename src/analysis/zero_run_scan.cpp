#include "analysis/zero_run_scan.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "analysis/analysis_report.h"
#include "analysis/zero_bytes.h"
#include "core/map_layout.h"

namespace tamarack {
namespace {

// Only runs of more than ZeroRunThreshold zeros can become errors, and each
// of them covers the first word of at least one window of this many bytes
// laid from the start of the block. So testing that word of each window finds
// every such run; a zero byte outside them only decides where a run starts.
// The windows are as wide as that allows: the test is most of the scan's work
// on data without long runs.
constexpr int32_t WordBytes = 8;
constexpr int32_t WindowBytes = (ZeroRunThreshold + 1 - (WordBytes - 1)) / WordBytes * WordBytes;
static_assert(WindowBytes + WordBytes - 1 <= ZeroRunThreshold + 1);

// The next count bytes begin and end with a non-zero byte, and none of the
// zero runs among them is long enough to become an error: the first byte
// ends the current run and the rest change nothing but the cells.
void CountOtherBytes(ScanState& state, int32_t count, CellSink& cells) {
  EndRun(state);
  state.BlockIndex += count;
  state.Cells.Add(count, false, cells);
}

// The offset of the first window at or after from whose first word is all
// zero, or -1 when there is none.
int32_t NextZeroWindow(const uint8_t* bytes, int32_t from, int32_t count) {
  int32_t w = (from + WindowBytes - 1) / WindowBytes * WindowBytes;
  // Four windows at a time with one branch: a zero word is rare, and the
  // four loads then overlap.
  for (; count - w >= 3 * WindowBytes + WordBytes; w += 4 * WindowBytes) {
    uint64_t a, b, c, d;
    std::memcpy(&a, bytes + w, sizeof a);
    std::memcpy(&b, bytes + w + WindowBytes, sizeof b);
    std::memcpy(&c, bytes + w + 2 * WindowBytes, sizeof c);
    std::memcpy(&d, bytes + w + 3 * WindowBytes, sizeof d);
    if ((a == 0) | (b == 0) | (c == 0) | (d == 0)) break;
  }
  for (; count - w >= WordBytes; w += WindowBytes) {
    uint64_t word;
    std::memcpy(&word, bytes + w, sizeof word);
    if (word == 0) return w;
  }
  return -1;
}

}  // namespace

void StartScan(ScanState& state, int64_t fileSize) {
  assert(fileSize > 0);
  state.FileSize = fileSize;
  state.CodeCount = 0;
  state.Runs.clear();
  state.Cells.Start(fileSize, Green, Red);
  state.Run = {};
  state.ErrorBytes = 0;
  state.Position = 0;
  state.BlockBytes = 0;
  state.BlockIndex = 0;
  state.RunIsError = false;
}

int64_t ErrorOnset(int64_t runOffset, int64_t fileSize) {
  const int64_t following = fileSize - (runOffset + 1);  // the bytes after the run's first
  if (following <= TailMargin) return INT64_MAX;
  return std::max(runOffset + ZeroRunThreshold, int64_t{HeaderZone});
}

void CountZeroBytes(ScanState& state, int32_t count, CellSink& cells) {
  const int64_t first = state.Position + state.BlockIndex;
  const int64_t last = first + (count - 1);
  if (state.Run.Length == 0) state.Run.Offset = first;
  state.Run.Length += count;
  state.BlockIndex += count;
  int64_t plain = count;  // the bytes before the run is an error run
  if (state.RunIsError) {
    plain = 0;
    state.ErrorBytes += count;
  } else if (const int64_t onset = ErrorOnset(state.Run.Offset, state.FileSize); onset <= last) {
    // The rule holds at no earlier byte, or the run would be an error already.
    assert(onset >= first);
    plain = onset - first;
    state.RunIsError = true;
    state.ErrorBytes += ZeroRunThreshold + 1 + (last - onset);
  }
  state.Cells.Add(plain, false, cells);
  state.Cells.Add(count - plain, true, cells);
}

void EndRun(ScanState& state) {
  if (state.Run.Length == 0) return;
  if (state.RunIsError) {
    AddRunCodes(state, state.Run);
    state.Runs.push_back(state.Run);
  }
  state.Run = {};
  state.RunIsError = false;
}

namespace {

// Splits the block into its steps, in order: zeros(count) for a stretch of
// zero bytes that may be or join a run that matters, other(count) for a
// stretch that begins and ends with a non-zero byte and holds no such run.
// The steps follow from the bytes alone, not from the scan so far.
template <typename Zeros, typename Other>
void WalkBlock(const uint8_t* bytes, int32_t count, Zeros zeros, Other other) {
  int32_t i = LeadingZeroBytes(bytes, count);
  if (i > 0) zeros(i);
  // From here on bytes[i] is not zero, so each run found below starts after
  // it and the stretch before the run ends with a non-zero byte.
  while (i < count) {
    const int32_t w = NextZeroWindow(bytes, i, count);
    if (w < 0) {
      const int32_t tail = TrailingZeroBytes(bytes + i, count - i);
      other(count - i - tail);
      if (tail > 0) zeros(tail);
      break;
    }
    const int32_t runStart = w - TrailingZeroBytes(bytes + i, w - i);
    const int32_t runEnd =
        w + WordBytes + LeadingZeroBytes(bytes + w + WordBytes, count - w - WordBytes);
    other(runStart - i);
    zeros(runEnd - runStart);
    i = runEnd;
  }
}

void BeginBlock(ScanState& state, int32_t count) {
  assert(count >= 0 && state.Position <= state.FileSize - count);
  state.BlockBytes = count;
  state.BlockIndex = 0;
}

void EndBlock(ScanState& state, int32_t count) {
  state.Position += count;
  state.BlockIndex = 0;
}

}  // namespace

void ScanBlock(ScanState& state, const uint8_t* bytes, int32_t count, CellSink& cells) {
  BeginBlock(state, count);
  WalkBlock(
      bytes, count, [&](int32_t n) { CountZeroBytes(state, n, cells); },
      [&](int32_t n) { CountOtherBytes(state, n, cells); });
  EndBlock(state, count);
}

void PlanBlock(const uint8_t* bytes, int32_t count, ScanSteps& steps) {
  steps.clear();
  WalkBlock(
      bytes, count,
      [&](int32_t n) {
        steps.push_back({n, true});
      },
      [&](int32_t n) {
        steps.push_back({n, false});
      });
}

void ScanPlannedBlock(ScanState& state, const ScanSteps& steps, int32_t count, CellSink& cells) {
  BeginBlock(state, count);
  for (const ScanStep& step : steps) {
    if (step.Zeros) {
      CountZeroBytes(state, step.Length, cells);
    } else {
      CountOtherBytes(state, step.Length, cells);
    }
  }
  EndBlock(state, count);
}

void FinishScan(ScanState& state, CellSink& cells) {
  EndRun(state);
  state.Cells.Finish(cells);
}

}  // namespace tamarack
