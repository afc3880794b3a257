#include "repair/block_read_ahead.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace tamarack {
namespace {

// Blocks read ahead of the one in use: enough for the reading never to wait
// on a caller that is busy with one block for a moment, and few enough that
// a stopped operation has read little for nothing.
constexpr size_t SlotsReadingAhead = 4;

}  // namespace

BlockReadAhead::BlockReadAhead(std::vector<ByteFile*> files, int64_t size, int32_t blockSize)
    : files_(std::move(files)), size_(size), blockSize_(blockSize) {
  const bool ahead =
      std::all_of(files_.begin(), files_.end(), [](ByteFile* f) { return f->ReadsOnAnyThread(); });
  const size_t slots = ahead ? SlotsReadingAhead : 1;
  for (size_t s = 0; s < slots; ++s) {
    Slot slot;
    for (size_t k = 0; k < files_.size(); ++k) {
      slot.Buffers.emplace_back(static_cast<size_t>(blockSize));
    }
    slot.Got.assign(files_.size(), 0);
    slots_.push_back(std::move(slot));
  }
  if (!ahead) return;
  try {
    reader_ = std::thread([this] { ReadOnThread(); });
  } catch (const std::system_error&) {
    // Without a thread every block is read when it is asked for.
    slots_.resize(1);
  }
}

BlockReadAhead::~BlockReadAhead() {
  if (!reader_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  reader_.join();
}

int32_t BlockReadAhead::CountOf(int64_t block) const {
  return static_cast<int32_t>(std::min<int64_t>(blockSize_, size_ - block * blockSize_));
}

bool BlockReadAhead::ReadBlock(int64_t block) {
  Slot& slot = slots_[static_cast<size_t>(block) % slots_.size()];
  const int32_t count = CountOf(block);
  for (size_t k = 0; k < files_.size(); ++k) {
    slot.Got[k] = files_[k]->Read(slot.Buffers[k].data(), count);
    if (slot.Got[k] != count) return false;
  }
  return true;
}

void BlockReadAhead::ReadOnThread() {
  const auto slots = static_cast<int64_t>(slots_.size());
  for (int64_t block = 0; block * blockSize_ < size_; ++block) {
    {
      // The slot is free once the caller has moved past the block it held.
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || block < taken_ - 1 + slots; });
      if (stopping_) return;
    }
    const bool whole = ReadBlock(block);
    {
      const std::lock_guard lock(mutex_);
      read_ = block + 1;
    }
    changed_.notify_all();
    if (!whole) return;
  }
}

bool BlockReadAhead::NextBlock(OperationControl& control, FileRole role) {
  const int64_t block = taken_;
  if (block * blockSize_ >= size_ || failed_) {
    // Asked past the end, or after a fault: the reading has ended.
    control.ShowFault(role, FileFault::Read);
    return false;
  }
  if (reader_.joinable()) {
    std::unique_lock lock(mutex_);
    ++taken_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return read_ > block; });
  } else {
    ++taken_;
    ReadBlock(block);
  }
  const Slot& slot = slots_[static_cast<size_t>(block) % slots_.size()];
  const int32_t count = CountOf(block);
  for (const int32_t got : slot.Got) {
    if (got == count) continue;
    failed_ = true;
    control.ShowFault(role, got < 0 ? FileFault::Read : FileFault::SizeChanged);
    return false;
  }
  return true;
}

const uint8_t* BlockReadAhead::Block(size_t k) const {
  const int64_t block = taken_ - 1;
  return slots_[static_cast<size_t>(block) % slots_.size()].Buffers[k].data();
}

}  // namespace tamarack
