#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/cell_counter.h"
#include "core/extent.h"

namespace tamarack {

// A zero run must be longer than this (at least 1025 bytes) to be an error.
constexpr int32_t ZeroRunThreshold = 1024;
// A run becomes an error only at a byte past the file's first this many.
constexpr int32_t HeaderZone = 16384;
// A run becomes an error only if more than this many bytes of the file
// follow its first byte.
constexpr int32_t TailMargin = 2046;
// The scan code list holds at most this many patch codes.
constexpr int MaxScanCodes = 255;

// The working record of one scan. Offsets, lengths and counts of bytes are
// signed 64-bit, so a file of any size is scanned.
struct ScanState {
  int64_t FileSize = 0;    // the selected file's size, taken when it was opened
  int64_t Position = 0;    // bytes of the blocks already processed
  int32_t BlockBytes = 0;  // bytes delivered by the last read
  // Bytes of the current block already processed: the next byte has the
  // offset Position + BlockIndex.
  int32_t BlockIndex = 0;

  // The zero bytes of the current run so far; a length of 0: no run.
  Extent Run;
  bool RunIsError = false;

  // The map cells: red when one of their bytes is an error byte.
  CellCounter Cells;

  int64_t ErrorBytes = 0;
  // Every error run, in file order.
  std::vector<Extent> Runs;
  // The scan code list: five-character patch codes in file order.
  uint8_t CodeCount = 0;
  std::array<std::string, MaxScanCodes> Codes;
};

}  // namespace tamarack
