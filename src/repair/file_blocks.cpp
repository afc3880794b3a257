#include "repair/file_blocks.h"

namespace tamarack {

bool ReadFileBlock(OperationControl& control, ByteFile& file, FileRole role, uint8_t* buffer,
                   int32_t count) {
  const int32_t n = file.Read(buffer, count);
  if (n == count) return true;
  control.ShowFault(role, n < 0 ? FileFault::Read : FileFault::SizeChanged);
  return false;
}

}  // namespace tamarack
