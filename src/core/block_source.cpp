#include "core/block_source.h"

#include <algorithm>
#include <cassert>

namespace tamarack {

BlockSource::BlockSource(OperationControl& control, ByteFile& file, FileRole role, int64_t size,
                         int32_t blockSize)
    : control_(control),
      file_(file),
      role_(role),
      size_(size),
      blockSize_(blockSize),
      buffer_(static_cast<size_t>(blockSize)) {}

bool BlockSource::Whole(int32_t got, int32_t count) {
  if (got == count) return true;
  control_.ShowFault(role_, got < 0 ? FileFault::Read : FileFault::SizeChanged);
  return false;
}

bool BlockSource::ReadAt(int64_t offset, uint8_t* buffer, int32_t count) {
  assert(offset >= 0 && count >= 0 && offset <= size_ - count);
  return Whole(file_.ReadAt(offset, buffer, count), count);
}

int32_t BlockSource::NextCount() const {
  return static_cast<int32_t>(std::clamp<int64_t>(size_ - position_, 0, blockSize_));
}

std::span<uint8_t> BlockSource::NextBlock() {
  assert(!AtEnd());
  const int32_t count = NextCount();
  if (!ReadAt(position_, buffer_.data(), count)) return {};
  position_ += count;
  return {buffer_.data(), static_cast<size_t>(count)};
}

BlockSource::Copy BlockSource::CopyNextBlock(ByteFile& target) {
  assert(!AtEnd());
  const int32_t count = NextCount();
  const ByteFile::CopyResult copy = file_.CopyTo(position_, target, buffer_.data(), count);
  if (!Whole(copy.Read, count)) return {0, copy.Written};
  position_ += count;
  return {count, copy.Written};
}

bool BlockSource::SizeHeld() {
  const int64_t now = file_.Size();
  if (now == size_) return true;
  control_.ShowFault(role_, now < 0 ? FileFault::Read : FileFault::SizeChanged);
  return false;
}

}  // namespace tamarack
