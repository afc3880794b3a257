#include "analysis/zero_run_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "analysis/analysis_report.h"
#include "analysis/zero_bytes.h"
#include "core/block_source.h"

namespace tamarack {
namespace {

using Bytes = std::vector<uint8_t>;

// What a scan leaves behind: the counted error bytes, the code list, one
// letter per painted cell, 'G' or 'R', and the error runs.
struct Outcome {
  int64_t ErrorBytes = 0;
  std::vector<std::string> Codes;
  std::string Cells;
  std::vector<Extent> Runs;

  friend bool operator==(const Outcome&, const Outcome&) = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  out << "errors " << o.ErrorBytes << ", codes";
  for (const auto& c : o.Codes) out << " " << c;
  out << ", runs " << o.Runs.size();
  for (size_t i = 0; i < o.Runs.size() && i < 8; ++i) {
    out << " " << o.Runs[i].Offset << "+" << o.Runs[i].Length;
  }
  return out << ", cells " << o.Cells.size() << " " << o.Cells.substr(0, 80);
}

std::vector<std::string> CodesOf(const ScanState& state) {
  return {state.Codes.begin(), state.Codes.begin() + state.CodeCount};
}

// The rule as it reads, one byte at a time and in 1-based positions: the
// reference for the scan. Only the first `read` bytes are looked at, as
// after a stop.
Outcome PerByteScan(const Bytes& file, int32_t read) {
  const auto size = static_cast<int32_t>(file.size());
  ScanState s;
  std::string cells;
  std::vector<Extent> runs;
  int64_t runStart = 0;  // the position of the run's first byte
  int64_t runLength = 0;
  bool cellHasError = false;
  int32_t cellBytes = 0;
  const int32_t cellSize = (size + 2000) / 2001;
  auto endRun = [&] {
    if (runLength > 0 && s.RunIsError) {
      AddRunCodes(s, {runStart - 1, runLength});
      runs.push_back({runStart - 1, runLength});
    }
    runLength = 0;
    s.RunIsError = false;
  };
  auto endCell = [&] {
    cells += cellHasError ? 'R' : 'G';
    cellHasError = false;
    cellBytes = 0;
  };
  for (int32_t p = 1; p <= read; ++p) {
    if (file[p - 1] == 0) {
      if (runLength == 0) runStart = p;
      ++runLength;
      if (s.RunIsError) {
        cellHasError = true;
        ++s.ErrorBytes;
      } else if (runLength > 1024 && runStart + runLength - 1 > 16384 && runStart < size - 2046) {
        s.RunIsError = true;
        cellHasError = true;
        s.ErrorBytes += 1025;
      }
    } else {
      endRun();
    }
    if (++cellBytes == cellSize) endCell();
  }
  endRun();
  if (cellBytes > 0) endCell();
  return {s.ErrorBytes, CodesOf(s), cells, runs};
}

class LetterCells : public CellSink {
 public:
  void PaintCell(uint16_t index, Color color) override {
    EXPECT_EQ(index, Letters.size() + 1) << "cells are painted in order";
    Letters += color == Red ? 'R' : color == Green ? 'G' : '?';
  }
  std::string Letters;
};

int32_t RandomBlockSize(std::mt19937& rng) {
  switch (rng() % 4) {
    case 0:
      return 1 + rng() % 16;
    case 1:
      return 1 + rng() % 4096;
    case 2:
      return 512 * (1 + rng() % 8) + static_cast<int32_t>(rng() % 3) - 1;
    default:
      return 1 + rng() % 300000;
  }
}

// The scan fed with blocks of random sizes, each in a buffer of its own so
// that a read past a block's end is caught by the sanitizers.
Outcome BlockScan(const Bytes& file, int32_t read, std::mt19937& rng) {
  ScanState state;
  StartScan(state, static_cast<int32_t>(file.size()));
  LetterCells cells;
  int32_t at = 0;
  while (at < read) {
    const int32_t n = std::min(RandomBlockSize(rng), read - at);
    const Bytes block(file.begin() + at, file.begin() + at + n);
    ScanBlock(state, block.data(), n, cells);
    at += n;
    EXPECT_EQ(state.Position, at);
  }
  FinishScan(state, cells);
  return {state.ErrorBytes, CodesOf(state), cells.Letters, state.Runs};
}

// The scan over one buffer of the whole file, as the Analyze command's
// first block would see a small file.
Outcome WholeScan(const Bytes& file) {
  ScanState state;
  StartScan(state, static_cast<int32_t>(file.size()));
  LetterCells cells;
  ScanBlock(state, file.data(), static_cast<int32_t>(file.size()), cells);
  FinishScan(state, cells);
  return {state.ErrorBytes, CodesOf(state), cells.Letters, state.Runs};
}

// Random bytes with no zeros.
Bytes NonZeroFile(int32_t size, uint32_t seed = 1) {
  std::mt19937 rng(seed);
  Bytes file(size);
  for (auto& b : file) b = static_cast<uint8_t>(1 + rng() % 255);
  return file;
}

// Zeros at positions first to last (1-based, inclusive).
void Zero(Bytes& file, int32_t first, int32_t last) {
  std::fill(file.begin() + (first - 1), file.begin() + last, 0);
}

Outcome Scan(const Bytes& file) {
  const Outcome whole = WholeScan(file);
  EXPECT_EQ(whole, PerByteScan(file, static_cast<int32_t>(file.size())));
  return whole;
}

// The rule at its edges. Only runs longer than 1024 bytes count, from
// their 1025th byte on, and only past position 16384 (a run from the header
// zone counts from position 16385) with room of 2047 bytes after their
// start. A cell is red where an error byte is counted in it; small files
// paint one cell a byte or a pair, and a size that is a multiple of the
// cell size ends with a full cell.
TEST(ZeroRunScanTest, RunsCellsAndCodesAtTheEdgesOfTheRule) {
  using Ranges = std::vector<std::pair<int32_t, int32_t>>;  // 1-based, inclusive
  const int32_t allZero = 3 * FileBlockSize + 12345;
  const struct {
    const char* Name;
    int32_t Size;
    Ranges Zeros;
    int64_t ErrorBytes;
    std::vector<std::string> Codes;
    Ranges Red;  // cells
    size_t Cells;
  } cases[] = {
      {"all zeros, all header", 1024, {{1, 1024}}, 0, {}, {}, 1024},
      {"cells of two bytes", 2002, {}, 0, {}, {}, 1001},
      {"1024 bytes", 1000000, {{100001, 101024}}, 0, {}, {}, 2000},
      // The cell size is 500; only the cell of the 1025th byte turns red.
      {"1025 bytes in unit 3", 1000000, {{200001, 201025}}, 1025, {"00030"}, {{403, 403}}, 2000},
      // Red from the cell of position 16385 to that of 19000; cells 29 to
      // 32 hold only earlier bytes of the run.
      {"from the header zone", 1000000, {{14001, 19000}}, 1025 + 2615, {"00000"}, {{33, 38}}, 2000},
      {"the header zone", 1000000, {{1, 16384}}, 0, {}, {}, 2000},
      {"one past the header zone", 1000000, {{1, 16385}}, 1025, {"00000"}, {{33, 33}}, 2000},
      {"to the end, too late", 1000000, {{1000000 - 2046, 1000000}}, 0, {}, {}, 2000},
      // The run is closed by the final step.
      {"to the end", 1000000, {{1000000 - 2047, 1000000}}, 2048, {"000F0"}, {{1998, 2000}}, 2000},
      {"2001 cells of 500", 2001 * 500, {}, 0, {}, {}, 2001},
      // Cell size 501: 1997 full cells and a last one of 4 bytes.
      {"1998 cells of 501", 2001 * 500 + 1, {}, 0, {}, {}, 1998},
      // Cell size 400: red from the cell of position 16385 on; units 0 to 12.
      {"all zeros", allZero, {{1, allZero}}, allZero - 16384 + 1024, {"0000C"}, {{41, 1997}}, 1997},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Bytes file = NonZeroFile(c.Size);
    for (const auto& [first, last] : c.Zeros) Zero(file, first, last);
    const Outcome o = Scan(file);
    EXPECT_EQ(o.ErrorBytes, c.ErrorBytes);
    EXPECT_EQ(o.Codes, c.Codes);
    std::string cells(c.Cells, 'G');
    for (const auto& [first, last] : c.Red) {
      std::fill(cells.begin() + first - 1, cells.begin() + last, 'R');
    }
    EXPECT_EQ(o.Cells, cells);
  }
}

TEST(ZeroRunScanTest, TheShortestErrorRunIsFoundWhereverItStarts) {
  // The scan looks for long runs by testing a word here and there; a run of
  // 1025 zeros must be found at every start within a span of 2 KiB.
  const Bytes plain = NonZeroFile(40000);
  for (int32_t first = 20001; first <= 20001 + 2048; ++first) {
    Bytes file = plain;
    Zero(file, first, first + 1024);
    const Outcome o = WholeScan(file);
    ASSERT_EQ(o.ErrorBytes, 1025) << "run from " << first;
    ASSERT_EQ(o.Runs, (std::vector<Extent>{{first - 1, 1025}})) << "run from " << first;
  }
}

TEST(ZeroRunScanTest, LargestFileEndsWithoutOverflow) {
  const int32_t size = 2147483647;
  ScanState state;
  StartScan(state, size);
  EXPECT_EQ(state.Cells.CellSize, 1073206);
  // Resume as if all but the last 5000 bytes had been read, then a run to
  // the last byte.
  state.Position = size - 5000;
  state.Cells.CellIndex = 2000;
  state.Cells.CellBytes = state.Position - 2000 * state.Cells.CellSize;
  LetterCells cells;
  cells.Letters = std::string(2000, 'G');
  const Bytes tail(5000, 0);
  ScanBlock(state, tail.data(), 5000, cells);
  FinishScan(state, cells);
  EXPECT_EQ(state.Position, size);
  EXPECT_EQ(state.ErrorBytes, 5000);
  EXPECT_EQ(CodesOf(state), (std::vector<std::string>{"7FFF0"}));
  EXPECT_EQ(cells.Letters.size(), 2001u);
  EXPECT_EQ(cells.Letters.back(), 'R');
}

TEST(ZeroRunScanTest, ErrorsAreCountedOnceTheCodeListIsFull) {
  // 300 error runs, one in each unit: adjoining units give codes of their own.
  Bytes file = NonZeroFile(300 * 65536);
  for (int u = 0; u < 300; ++u) Zero(file, u * 65536 + 20001, u * 65536 + 21500);
  const Outcome o = Scan(file);
  EXPECT_EQ(o.ErrorBytes, 300 * 1500);
  ASSERT_EQ(o.Codes.size(), 255u);
  EXPECT_EQ(o.Codes.front(), "00000");
  EXPECT_EQ(o.Codes.back(), "00FE0");
  // Every run is kept, also those whose codes no longer fit.
  ASSERT_EQ(o.Runs.size(), 300u);
  EXPECT_EQ(o.Runs.back(), (Extent{299 * 65536 + 20000, 1500}));
  EXPECT_EQ(o, PerByteScan(file, static_cast<int32_t>(file.size())));
  std::mt19937 rng(7);
  EXPECT_EQ(BlockScan(file, static_cast<int32_t>(file.size()), rng), o);
}

// Sizes and run placements at every edge of the rule, the cells, the
// sampled windows and the blocks.
Bytes RandomFile(std::mt19937& rng) {
  static const int32_t sizes[] = {1024,
                                  1025,
                                  2001,
                                  2002,
                                  2047,
                                  2048,
                                  4002,
                                  16384,
                                  16385,
                                  18430,
                                  18431,
                                  18432,
                                  18433,
                                  20000,
                                  2001 * 131,
                                  FileBlockSize,
                                  FileBlockSize + 1,
                                  524295,
                                  2001 * 300};
  int32_t size;
  switch (rng() % 3) {
    case 0:
      size = sizes[rng() % std::size(sizes)];
      break;
    case 1:
      size = 2001 * static_cast<int32_t>(1 + rng() % 400);
      break;
    default:
      size = 1024 + static_cast<int32_t>(rng() % 700000);
  }
  Bytes file(size);
  // The background: plain random bytes (a zero about every 256), dense zeros
  // (many short runs), or zeros with sparse other bytes.
  const uint32_t mode = rng() % 4;
  for (auto& b : file) {
    const uint32_t r = rng();
    switch (mode) {
      case 0:
      case 1:
        b = static_cast<uint8_t>(r);
        break;
      case 2:
        b = (r & 3) == 0 ? 0 : static_cast<uint8_t>(r >> 8);
        break;
      default:
        b = (r % 600) == 0 ? static_cast<uint8_t>(1 + (r >> 16) % 255) : 0;
    }
  }
  const int32_t cellSize = (size + 2000) / 2001;
  static const int32_t lengths[] = {1,    7,    8,    9,    511,  512,  513,  1022,
                                    1023, 1024, 1025, 1026, 1535, 1536, 2047, 2048};
  const int runs = static_cast<int>(rng() % 12);
  for (int k = 0; k < runs; ++k) {
    int32_t length;
    switch (rng() % 3) {
      case 0:
        length = lengths[rng() % std::size(lengths)];
        break;
      case 1:
        length = 1 + static_cast<int32_t>(rng() % 5000);
        break;
      default:
        length = 1 + static_cast<int32_t>(rng() % 300000);
    }
    length = std::min(length, size);
    int32_t start;  // 1-based
    switch (rng() % 9) {
      case 0:
        start = 16384 - length + static_cast<int32_t>(rng() % 3);  // ends at 16383 to 16385
        break;
      case 1:
        start = 16385 - 1024 + static_cast<int32_t>(rng() % 3) - 1;
        break;
      case 2:
        start = size - 2048 + static_cast<int32_t>(rng() % 3);
        break;
      case 3:
        start = size - length + 1;  // reaches the last byte
        break;
      case 4:
        start =
            cellSize * static_cast<int32_t>(1 + rng() % 2001) + static_cast<int32_t>(rng() % 3) - 1;
        break;
      case 5:
        start = FileBlockSize * static_cast<int32_t>(rng() % 3) + static_cast<int32_t>(rng() % 3);
        break;
      case 6: {
        // Next to a multiple of 512 or of 1016, the width of the windows the
        // scan tests one word of: the shortest error run that fits in a block
        // just holds one such word whatever its start.
        const int32_t stride = rng() % 2 == 0 ? 512 : 1016;
        start = stride * static_cast<int32_t>(rng() % (size / stride + 1)) +
                static_cast<int32_t>(rng() % 10) - 1;
        break;
      }
      case 7:
        start = 1;
        break;
      default:
        start = 1 + static_cast<int32_t>(rng() % size);
    }
    start = std::clamp(start, 1, size);
    const int32_t last = std::min(size, start + length - 1);
    Zero(file, start, last);
    if (rng() % 2 == 0) {
      // Pin the run's length exactly.
      if (start > 1) file[start - 2] = 0xFF;
      if (last < size) file[last] = 0xFF;
    }
  }
  return file;
}

TEST(ZeroRunScanTest, MatchesTheByteRuleOnRandomFilesAndBlockSplits) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 250; ++round) {
    const Bytes file = RandomFile(rng);
    const auto size = static_cast<int32_t>(file.size());
    const Outcome expected = PerByteScan(file, size);
    ASSERT_EQ(BlockScan(file, size, rng), expected) << "round " << round << ", size " << size;
    ASSERT_EQ(WholeScan(file), expected) << "round " << round << ", size " << size;
    // Stopped after part of the file: the open run and the partial cell are
    // still closed.
    const int32_t read = 1 + static_cast<int32_t>(rng() % size);
    ASSERT_EQ(BlockScan(file, read, rng), PerByteScan(file, read))
        << "round " << round << ", size " << size << ", read " << read;
  }
}

TEST(ZeroBytesTest, CountsMatchAByteLoopAtEveryOffsetAndLength) {
  std::mt19937 rng(5);
  for (int32_t length = 0; length <= 1100; length += 1 + length / 64) {
    for (int32_t nonZero = -1; nonZero < length; nonZero += 1 + length / 37) {
      Bytes bytes(length, 0);
      if (nonZero >= 0) bytes[nonZero] = static_cast<uint8_t>(1 + rng() % 255);
      int32_t leading = 0;
      while (leading < length && bytes[leading] == 0) ++leading;
      int32_t trailing = 0;
      while (trailing < length && bytes[length - 1 - trailing] == 0) ++trailing;
      EXPECT_EQ(LeadingZeroBytes(bytes.data(), length), leading) << length << " " << nonZero;
      EXPECT_EQ(TrailingZeroBytes(bytes.data(), length), trailing) << length << " " << nonZero;
    }
  }
}

}  // namespace
}  // namespace tamarack
