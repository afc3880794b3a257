#include "repair/file_blocks.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "repair/zero_fill.h"

namespace tamarack {

bool SeekFileTo(OperationControl& control, ByteFile& file, FileRole role, int64_t offset) {
  if (offset >= 0 && file.Seek(offset)) return true;
  control.ShowFault(role, FileFault::Seek);
  return false;
}

bool WriteFilledBytes(OperationControl& control, BlockSource& selected, int64_t position,
                      const uint8_t* source, uint8_t* target, int32_t count, TargetRead read) {
  ByteFile& file = selected.File();
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
        !selected.ReadAt(position + static_cast<int64_t>(first), target + first, span)) {
      return false;
    }
    bool written = true;
    ForEachFillRun(
        std::span<const uint8_t>(target + first, last - first),
        std::span<const uint8_t>(source + first, last - first), [&](size_t offset, size_t run) {
          const size_t from = first + offset;
          const auto n = static_cast<int32_t>(run);
          written = selected.SizeHeld() && SeekFileTo(control, file, FileRole::Selected,
                                                      position + static_cast<int64_t>(from));
          if (written && file.Write(source + from, n) != n) {
            control.ShowFault(FileRole::Selected, FileFault::Write);
            written = false;
          }
          return written;
        });
    if (!written) return false;
  }
  return true;
}

bool FinishRepairedFile(OperationControl& control, BlockSource& selected) {
  if (!selected.SizeHeld()) return false;
  if (selected.File().Sync()) return true;
  control.ShowFault(FileRole::Selected, FileFault::Write);
  return false;
}

}  // namespace tamarack
