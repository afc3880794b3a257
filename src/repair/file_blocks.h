#pragma once

#include <cstdint>

#include "core/block_grid.h"
#include "core/operation_control.h"
#include "platform/byte_file.h"

namespace tamarack {

// The block in which the copies and merges read and write their files; the
// busy flag is tested after each one.
constexpr int32_t FileBlockSize = 262144;

// Bytes per map cell: the file's size divided by the cell count, rounded up.
// Worked in 64 bits, since a size just below 2 GiB plus 2000 leaves the
// 32-bit range.
constexpr int32_t MapCellSize(int32_t fileSize) {
  return static_cast<int32_t>((int64_t{fileSize} + CellCount - 1) / CellCount);
}

// Reads exactly count bytes from the file's current position. A failed read,
// or one that ends early because another program has shortened the file,
// ends the running operation with a message naming the file's role and gives
// false.
bool ReadFileBlock(OperationControl& control, ByteFile& file, FileRole role, uint8_t* buffer,
                   int32_t count);

}  // namespace tamarack
