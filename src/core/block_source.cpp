#include "core/block_source.h"

#include <algorithm>
#include <cassert>

namespace tamarack {

namespace {

// The bytes shown by one view of the file: sixteen blocks of the scan, so
// that making views costs little and they hold little memory.
constexpr int64_t ViewBlocks = 16;

}  // namespace

BlockSource::BlockSource(OperationControl& control, ByteFile& file, FileRole role, int64_t size,
                         int32_t blockSize, Access access)
    : control_(control),
      file_(file),
      viewable_(access == Access::InPlace ? dynamic_cast<ViewableFile*>(&file) : nullptr),
      role_(role),
      size_(size),
      blockSize_(blockSize),
      buffer_(static_cast<size_t>(blockSize)) {}

bool BlockSource::Whole(int32_t got, int32_t count) {
  if (got == count) return true;
  ShowIncompleteRead(got);
  return false;
}

void BlockSource::ShowIncompleteRead(int32_t got) {
  control_.ShowFault(role_, got < 0 ? FileFault::Read : FileFault::SizeChanged);
}

int32_t BlockSource::ReadAtQuietly(int64_t offset, uint8_t* buffer, int32_t count) {
  assert(offset >= 0 && count >= 0 && offset <= size_ - count);
  return file_.ReadAt(offset, buffer, count);
}

bool BlockSource::ReadAt(int64_t offset, uint8_t* buffer, int32_t count) {
  return Whole(ReadAtQuietly(offset, buffer, count), count);
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

HeldBlock BlockSource::NextHeldBlock(BlockPool& pool) {
  assert(!AtEnd() && pool.BlockSize() >= blockSize_);
  const int32_t count = NextCount();
  std::shared_ptr<uint8_t> buffer = pool.Take();
  if (!ReadAt(position_, buffer.get(), count)) return {};
  HeldBlock block{position_, std::move(buffer), count};
  position_ += count;
  return block;
}

std::span<const uint8_t> BlockSource::ShowNextBlock() {
  assert(!AtEnd());
  if (viewable_ == nullptr) return NextBlock();
  const int64_t viewBytes = ViewBlocks * blockSize_;
  if (!view_ || position_ - viewStart_ >= viewBytes) {
    view_.reset();
    view_ = viewable_->View(position_, std::min(viewBytes, size_ - position_));
    // Where the host cannot show the file (a file system in memory, no
    // address space), the rest is read.
    if (!view_) {
      viewable_ = nullptr;
      return NextBlock();
    }
    viewStart_ = position_;
  }
  const int32_t count = NextCount();
  const uint8_t* bytes = view_->Bytes() + (position_ - viewStart_);
  position_ += count;
  return {bytes, static_cast<size_t>(count)};
}

void BlockSource::ShowChangeOrFault() {
  const int64_t now = file_.Size();
  control_.ShowFault(role_, now != size_ && now >= 0 ? FileFault::SizeChanged : FileFault::Read);
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
