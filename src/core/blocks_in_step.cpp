#include "core/blocks_in_step.h"

#include <algorithm>
#include <cassert>
#include <system_error>
#include <utility>

namespace tamarack {
namespace {

// The blocks of all files the slots hold at most, so that a merge of many
// references holds little more memory than one of a few.
constexpr size_t BlocksHeld = 16;

}  // namespace

BlocksInStep::BlocksInStep(std::vector<BlockSource*> sources, Work work)
    : sources_(std::move(sources)),
      work_(std::move(work)),
      size_(sources_.front()->Size()),
      blockSize_(sources_.front()->BlockSize()),
      blockCount_((size_ + blockSize_ - 1) / blockSize_),
      lastBlock_(blockCount_ - 1) {
  const size_t slotCount = std::clamp<size_t>(BlocksHeld / sources_.size(), 2, SlotCount);
  for (size_t s = 0; s < slotCount; ++s) {
    SlotState slot;
    for (size_t k = 0; k < sources_.size(); ++k) {
      slot.Buffers.emplace_back(static_cast<size_t>(blockSize_));
      slot.Blocks.push_back(slot.Buffers.back().data());
    }
    slots_.push_back(std::move(slot));
  }
  // A file of one block has nothing to share.
  if (blockCount_ < 2) return;
  try {
    reader_ = std::thread([this] { ReadOnThread(); });
  } catch (const std::system_error&) {
    // Without a thread of its own the caller reads every block.
  }
}

BlocksInStep::~BlocksInStep() {
  if (!reader_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  readerWakes_.notify_one();
  reader_.join();
}

int32_t BlocksInStep::CountOf(int64_t block) const {
  return static_cast<int32_t>(std::clamp<int64_t>(size_ - block * blockSize_, 0, blockSize_));
}

bool BlocksInStep::ReadBlock(int64_t block) {
  SlotState& slot = slots_[SlotIndex(block)];
  const int64_t offset = block * blockSize_;
  const int32_t count = CountOf(block);
  slot.FailedFile = -1;
  for (size_t k = 0; k < sources_.size(); ++k) {
    const int32_t got = sources_[k]->ReadAtQuietly(offset, slot.Blocks[k], count);
    if (got != count) {
      slot.FailedFile = static_cast<int32_t>(k);
      slot.Got = got;
      return false;
    }
  }
  if (work_) work_(SlotIndex(block), offset, slot.Blocks, count);
  return true;
}

int64_t BlocksInStep::TakeBlock() {
  const int64_t block = nextToRead_;
  // A slot is free once the caller has let go of the block it held before.
  const int64_t freeUpTo = released_ + static_cast<int64_t>(slots_.size());
  if (stopping_ || block > lastBlock_ || block >= freeUpTo) return -1;
  nextToRead_ = block + 1;
  return block;
}

void BlocksInStep::BlockRead(int64_t block, bool whole) {
  slots_[SlotIndex(block)].Holds = block;
  if (!whole) lastBlock_ = std::min(lastBlock_, block);
  if (callerWaits_) callerWakes_.notify_one();
}

void BlocksInStep::ReadOnThread() {
  std::unique_lock lock(mutex_);
  for (;;) {
    const int64_t block = TakeBlock();
    if (block < 0) {
      if (stopping_ || nextToRead_ > lastBlock_) return;
      // Every slot is in use: wait until the caller has let go of half of
      // them, so that this thread sleeps and wakes once for several blocks
      // rather than for each.
      readerWaits_ = true;
      const auto half = static_cast<int64_t>(slots_.size() / 2);
      readerWakes_.wait(lock, [&] {
        return stopping_ || nextToRead_ + half <= released_ + static_cast<int64_t>(slots_.size());
      });
      readerWaits_ = false;
      continue;
    }
    lock.unlock();
    const bool whole = ReadBlock(block);
    lock.lock();
    BlockRead(block, whole);
  }
}

bool BlocksInStep::Next() {
  assert(!AtEnd());
  const int64_t block = current_ + 1;
  const SlotState& slot = slots_[SlotIndex(block)];
  {
    std::unique_lock lock(mutex_);
    assert(block <= lastBlock_);
    released_ = block;
    if (readerWaits_) readerWakes_.notify_one();
    while (slot.Holds != block) {
      // Rather than wait for the other thread, read the next block nobody
      // reads yet: this one, or one further on.
      const int64_t ahead = TakeBlock();
      if (ahead >= 0) {
        lock.unlock();
        const bool whole = ReadBlock(ahead);
        lock.lock();
        BlockRead(ahead, whole);
        continue;
      }
      callerWaits_ = true;
      callerWakes_.wait(lock, [&] { return slot.Holds == block; });
      callerWaits_ = false;
    }
    current_ = block;
  }
  if (slot.FailedFile < 0) return true;
  sources_[static_cast<size_t>(slot.FailedFile)]->ShowIncompleteRead(slot.Got);
  current_ = blockCount_;  // nothing is taken after it
  return false;
}

}  // namespace tamarack
