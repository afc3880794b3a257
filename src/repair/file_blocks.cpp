#include "repair/file_blocks.h"

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

bool SeekTo(OperationControl& control, ByteFile& file, int64_t position) {
  if (file.Seek(position)) return true;
  control.ShowFault(FileRole::Selected, FileFault::Seek);
  return false;
}

}  // namespace

bool ReadFileBlock(OperationControl& control, ByteFile& file, FileRole role, uint8_t* buffer,
                   int32_t count) {
  const int32_t n = file.Read(buffer, count);
  if (n == count) return true;
  control.ShowFault(role, n < 0 ? FileFault::Read : FileFault::SizeChanged);
  return false;
}

bool WriteFilledBytes(OperationControl& control, ByteFile& file, int64_t fileSize, int64_t position,
                      const uint8_t* source, int32_t count, uint8_t* scratch) {
  if (!SeekTo(control, file, position)) return false;
  if (!ReadFileBlock(control, file, FileRole::Selected, scratch, count)) return false;
  const auto length = static_cast<size_t>(count);
  bool written = true;
  ForEachFillRun(std::span<const uint8_t>(scratch, length),
                 std::span<const uint8_t>(source, length), [&](size_t offset, size_t run) {
                   const auto at = position + static_cast<int64_t>(offset);
                   const auto n = static_cast<int32_t>(run);
                   written = StillHasSize(control, file, fileSize) && SeekTo(control, file, at);
                   if (written && file.Write(source + offset, n) != n) {
                     control.ShowFault(FileRole::Selected, FileFault::Write);
                     written = false;
                   }
                   return written;
                 });
  return written && SeekTo(control, file, position + count);
}

bool FinishRepairedFile(OperationControl& control, ByteFile& file, int64_t fileSize) {
  if (!StillHasSize(control, file, fileSize)) return false;
  if (file.Sync()) return true;
  control.ShowFault(FileRole::Selected, FileFault::Write);
  return false;
}

}  // namespace tamarack
