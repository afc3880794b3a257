#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/patch_codes.h"
#include "core/cell_counter.h"

namespace tamarack {

// Bytes asked for by each read of the scan.
constexpr int32_t ReadBlockSize = 262144;
// A zero run must be longer than this (at least 1025 bytes) to be an error.
constexpr int32_t ZeroRunThreshold = 1024;
// A run becomes an error only at a byte whose position is above this.
constexpr int32_t HeaderZone = 16384;
// A run becomes an error only if its first position is below the file size
// minus this, so that it has at least 2047 more bytes of the file after it.
constexpr int32_t TailMargin = 2046;
// The scan code list holds at most this many patch codes.
constexpr int MaxScanCodes = 255;

// The working record of one scan. Positions are 1-based byte positions;
// positions, lengths and counts of bytes are signed 64-bit, so a file of any
// size is scanned.
struct ScanState {
  int64_t FileSize = 0;    // the selected file's size, taken when it was opened
  int64_t Position = 0;    // bytes of the blocks already processed
  int32_t BlockBytes = 0;  // bytes delivered by the last read
  // Bytes of the current block already processed: the next byte has the
  // position Position + BlockIndex + 1.
  int32_t BlockIndex = 0;

  int64_t RunStart = 0;   // position of the current run's first byte; 0: no run
  int64_t RunLength = 0;  // zero bytes of the current run so far
  bool RunIsError = false;

  // The map cells: red when one of their bytes is an error byte.
  CellCounter Cells;

  int64_t ErrorBytes = 0;
  // Every error run, in file order: its first position and its length.
  std::vector<ByteRange> Runs;
  // The scan code list: five-character patch codes in file order.
  uint8_t CodeCount = 0;
  std::array<std::string, MaxScanCodes> Codes;
};

}  // namespace tamarack
