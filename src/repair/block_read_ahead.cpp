#include "repair/block_read_ahead.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace tamarack {
namespace {

// Blocks read ahead of the one in use: enough for the reading never to wait
// on a caller that is busy with one block for a moment, and few enough that
// a stopped operation has read little for nothing.
constexpr size_t SlotsReadingAhead = 8;

}  // namespace

BlockReadAhead::BlockReadAhead(std::vector<ByteFile*> files, int64_t size, int32_t blockSize)
    : files_(std::move(files)), size_(size), blockSize_(blockSize) {
  // A file of one block has nothing to overlap.
  const bool ahead = size > blockSize && std::all_of(files_.begin(), files_.end(), [](ByteFile* f) {
                       return f->ReadsOnAnyThread();
                     });
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

BlockReadAhead::~BlockReadAhead() { StopThread(); }

void BlockReadAhead::StopThread() {
  if (!reader_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  readerWakes_.notify_one();
  reader_.join();
}

BlockReadAhead::Slot& BlockReadAhead::SlotOf(int64_t block) {
  return slots_[static_cast<size_t>(block) % slots_.size()];
}

const BlockReadAhead::Slot& BlockReadAhead::SlotOf(int64_t block) const {
  return slots_[static_cast<size_t>(block) % slots_.size()];
}

int32_t BlockReadAhead::AskedOf(int64_t block) const {
  return static_cast<int32_t>(std::clamp<int64_t>(size_ - block * blockSize_, 0, blockSize_));
}

bool BlockReadAhead::ReadBlock(int64_t block) {
  Slot& slot = SlotOf(block);
  const int32_t asked = AskedOf(block);
  for (size_t k = 0; k < files_.size(); ++k) {
    slot.Got[k] = files_[k]->Read(slot.Buffers[k].data(), asked);
    if (slot.Got[k] != asked) return false;
  }
  return (block + 1) * blockSize_ < size_;
}

void BlockReadAhead::ReadOnThread() {
  const auto slots = static_cast<int64_t>(slots_.size());
  bool more = true;
  for (int64_t block = 0; more; ++block) {
    {
      // A slot is free once the caller has moved past the block it held.
      // With none free the thread waits until half of them are, so that it
      // sleeps and wakes once for several blocks rather than for each.
      std::unique_lock lock(mutex_);
      if (block >= taken_ - 1 + slots) {
        readerWaiting_ = true;
        readerWakes_.wait(lock, [&] { return stopping_ || FreeSlots(block) >= slots / 2; });
        readerWaiting_ = false;
      }
      if (stopping_) return;
    }
    more = ReadBlock(block);
    const std::lock_guard lock(mutex_);
    read_ = block + 1;
    ended_ = !more;
    if (callerWaiting_) callerWakes_.notify_one();
  }
}

int64_t BlockReadAhead::FreeSlots(int64_t block) const {
  return taken_ - 1 + static_cast<int64_t>(slots_.size()) - block;
}

void BlockReadAhead::NextBlock() {
  const int64_t block = taken_;
  if (reader_.joinable()) {
    std::unique_lock lock(mutex_);
    taken_ = block + 1;
    if (readerWaiting_ && FreeSlots(read_) >= static_cast<int64_t>(slots_.size()) / 2) {
      readerWakes_.notify_one();
    }
    if (read_ <= block && !ended_) {
      callerWaiting_ = true;
      callerWakes_.wait(lock, [&] { return read_ > block || ended_; });
      callerWaiting_ = false;
    }
    if (read_ > block) return;
    // Asked past where the reading ahead ended: from here on each block is
    // read when asked for, on this thread, into the slot it would have had.
    lock.unlock();
    StopThread();
  } else {
    taken_ = block + 1;
  }
  ReadBlock(block);
}

int32_t BlockReadAhead::Asked() const { return AskedOf(taken_ - 1); }

int32_t BlockReadAhead::Got(size_t k) const { return SlotOf(taken_ - 1).Got[k]; }

const uint8_t* BlockReadAhead::Block(size_t k) const {
  return SlotOf(taken_ - 1).Buffers[k].data();
}

}  // namespace tamarack
