#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "analysis/patch_codes.h"
#include "core/extent.h"
#include "platform/byte_file.h"
#include "ui/block_grid.h"

namespace tamarack::testing {

constexpr int64_t GiB = int64_t{1} << 30;

// The ranges (anything with an Offset and a Length) sorted, cut at the end
// of a file of the size, and joined where they overlap or touch, so that
// each is one range of the file; a joined range keeps the first one's other
// members.
template <typename Range>
std::vector<Range> RangesOfFile(int64_t size, std::vector<Range> ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.Offset < b.Offset; });
  std::vector<Range> file;
  for (Range range : ranges) {
    if (range.Offset >= size) continue;
    range.Length = std::min(range.Length, size - range.Offset);
    if (!file.empty() && range.Offset <= file.back().Offset + file.back().Length) {
      file.back().Length =
          std::max(file.back().Offset + file.back().Length, range.Offset + range.Length) -
          file.back().Offset;
    } else {
      file.push_back(range);
    }
  }
  return file;
}

// A file of any size that holds no memory: non-zero bytes everywhere but in
// the given zero runs (sorted, apart from each other). Reads are made up as
// they come; the file cannot be written.
class LayoutFile : public ByteFile {
 public:
  LayoutFile(int64_t size, std::vector<Extent> runs) : size_(size), runs_(std::move(runs)) {}

  int32_t Read(void* buffer, int32_t count) override {
    const int32_t n = ReadAt(position_, buffer, count);
    position_ += n;
    return n;
  }
  // Any number of threads may read at once.
  int32_t ReadAt(int64_t offset, void* buffer, int32_t count) override {
    const auto n = static_cast<int32_t>(std::clamp<int64_t>(size_ - offset, 0, count));
    auto* out = static_cast<uint8_t*>(buffer);
    std::memset(out, 0x5A, static_cast<size_t>(n));
    for (const Extent& run : runs_) {
      const int64_t from = std::max(run.Offset, offset);
      const int64_t to = std::min(run.Offset + run.Length, offset + n);
      if (from < to) std::memset(out + (from - offset), 0, static_cast<size_t>(to - from));
    }
    return n;
  }
  int32_t Write(const void*, int32_t) override { return -1; }
  bool Seek(int64_t offset) override {
    position_ = offset;
    return offset >= 0;
  }
  int64_t Size() override { return size_; }
  bool Close() override { return true; }
  bool Sync() override { return true; }

 private:
  int64_t size_;
  std::vector<Extent> runs_;
  int64_t position_ = 0;
};

// One layout file under one path; nothing else exists and nothing can be
// made.
class LayoutFileSystem : public FileSystem {
 public:
  void Set(std::string path, int64_t size, std::vector<Extent> runs) {
    path_ = std::move(path);
    size_ = size;
    runs_ = std::move(runs);
  }

  std::unique_ptr<ByteFile> OpenExisting(const std::string& path) override {
    if (path != path_) return nullptr;
    return std::make_unique<LayoutFile>(size_, runs_);
  }
  std::unique_ptr<ByteFile> OpenReadOnly(const std::string& path) override {
    return OpenExisting(path);
  }
  std::unique_ptr<OutputFile> CreateOutput(const std::string&) override { return nullptr; }
  bool Exists(const std::string& path) override { return path == path_; }
  bool SameFile(const std::string& a, const std::string& b) override {
    return a == b && a == path_;
  }
  bool Delete(const std::string&) override { return false; }
  int64_t FreeSpace(const std::string&) override { return 0; }

 private:
  std::string path_;
  int64_t size_ = 0;
  std::vector<Extent> runs_;
};

// What Analyze must find in a file whose zero runs are known, worked out
// from the runs by the rule itself: a run becomes an error at its first
// byte that is its 1025th or later and lies beyond position 16384, unless
// the run starts within the last 2047 bytes; then 1025 bytes count at once
// and each further byte one. A cell is red when such a counted byte lies in
// it. Codes name the units of each error run below 4 GiB, runs that share a
// unit joined, at most 16 units a code and 255 codes in all.
struct ExpectedAnalysis {
  int64_t ErrorBytes = 0;
  std::string Cells;  // 'G' or 'R' per cell
  std::vector<std::string> Codes;
  std::vector<Extent> Runs;  // the error runs
};

inline ExpectedAnalysis ExpectAnalysis(int64_t size, const std::vector<Extent>& runs) {
  ExpectedAnalysis expected;
  const int64_t cellSize = (size + 2000) / 2001;
  expected.Cells.assign(static_cast<size_t>((size + cellSize - 1) / cellSize), 'G');
  std::vector<std::pair<int64_t, int64_t>> units;  // first and last unit, merged
  for (const Extent& run : runs) {
    const int64_t first = run.Offset + 1;  // positions
    const int64_t last = run.Offset + run.Length;
    if (first >= size - 2046) continue;
    const int64_t onset = std::max(first + 1024, int64_t{16385});
    if (onset > last) continue;
    expected.ErrorBytes += 1025 + (last - onset);
    for (int64_t c = (onset - 1) / cellSize; c <= (last - 1) / cellSize; ++c) {
      expected.Cells[static_cast<size_t>(c)] = 'R';
    }
    expected.Runs.push_back(run);
    if (first > CodeUnits * UnitSize) continue;
    const int64_t a = (first - 1) / UnitSize;
    const int64_t b = (std::min(last, CodeUnits * UnitSize) - 1) / UnitSize;
    if (!units.empty() && a <= units.back().second) {
      units.back().second = std::max(units.back().second, b);
    } else {
      units.emplace_back(a, b);
    }
  }
  static const char digits[] = "0123456789ABCDEF";
  for (auto [a, b] : units) {
    for (int64_t u = a; u <= b && expected.Codes.size() < 255; u += 16) {
      const int64_t n = std::min<int64_t>(16, b - u + 1);
      std::string code;
      for (int shift = 12; shift >= 0; shift -= 4) code += digits[(u >> shift) & 15];
      code += digits[n - 1];
      expected.Codes.push_back(code);
    }
  }
  return expected;
}

}  // namespace tamarack::testing
