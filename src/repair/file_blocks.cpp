#include "repair/file_blocks.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "repair/zero_fill.h"

namespace tamarack {
namespace {

// False, with the message shown, when the file's size is no longer the one
// it had when it was opened.
bool StillHasSize(OperationControl& control, ByteFile& file, int64_t fileSize) {
  const int64_t size = file.Size();
  if (size < 0) {
    control.ShowFault(FileRole::Selected, FileFault::Read);
    return false;
  }
  if (size != fileSize) {
    control.ShowFault(FileRole::Selected, FileFault::SizeChanged);
    return false;
  }
  return true;
}

}  // namespace

bool WholeBlockRead(OperationControl& control, FileRole role, int32_t got, int32_t count) {
  if (got == count) return true;
  control.ShowFault(role, got < 0 ? FileFault::Read : FileFault::SizeChanged);
  return false;
}

bool ReadFileBlock(OperationControl& control, ByteFile& file, FileRole role, uint8_t* buffer,
                   int32_t count) {
  return WholeBlockRead(control, role, file.Read(buffer, count), count);
}

bool ReadFileBlockAt(OperationControl& control, ByteFile& file, FileRole role, int64_t position,
                     uint8_t* buffer, int32_t count) {
  return SeekFileTo(control, file, role, position) &&
         ReadFileBlock(control, file, role, buffer, count);
}

bool SeekFileTo(OperationControl& control, ByteFile& file, FileRole role, int64_t offset) {
  if (offset >= 0 && file.Seek(offset)) return true;
  control.ShowFault(role, FileFault::Seek);
  return false;
}

bool WriteFilledBytes(OperationControl& control, ByteFile& file, int64_t fileSize, int64_t position,
                      const uint8_t* source, uint8_t* target, int32_t count, TargetRead read) {
  // The part from the first to the last byte to fill in the block as read.
  const auto length = static_cast<size_t>(count);
  size_t first = length;
  size_t last = 0;
  ForEachFillRun(std::span<const uint8_t>(target, length), std::span<const uint8_t>(source, length),
                 [&](size_t offset, size_t run) {
                   first = std::min(first, offset);
                   last = offset + run;
                   return true;
                 });
  if (first < last) {
    const auto span = static_cast<int32_t>(last - first);
    if (read == TargetRead::Earlier &&
        !ReadFileBlockAt(control, file, FileRole::Selected, position + static_cast<int64_t>(first),
                         target + first, span)) {
      return false;
    }
    bool written = true;
    ForEachFillRun(
        std::span<const uint8_t>(target + first, last - first),
        std::span<const uint8_t>(source + first, last - first), [&](size_t offset, size_t run) {
          const size_t from = first + offset;
          const auto n = static_cast<int32_t>(run);
          written =
              StillHasSize(control, file, fileSize) &&
              SeekFileTo(control, file, FileRole::Selected, position + static_cast<int64_t>(from));
          if (written && file.Write(source + from, n) != n) {
            control.ShowFault(FileRole::Selected, FileFault::Write);
            written = false;
          }
          return written;
        });
    if (!written) return false;
  }
  return SeekFileTo(control, file, FileRole::Selected, position + count);
}

bool FinishRepairedFile(OperationControl& control, ByteFile& file, int64_t fileSize) {
  if (!StillHasSize(control, file, fileSize)) return false;
  if (file.Sync()) return true;
  control.ShowFault(FileRole::Selected, FileFault::Write);
  return false;
}

}  // namespace tamarack
