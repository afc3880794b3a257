#include "core/block_read_ahead.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

namespace tamarack {
namespace {

// Blocks read ahead of the one in use: enough for the reading never to wait
// on a caller that is busy with one block for a moment, and few enough that
// a stopped operation has read little for nothing.
constexpr auto SlotsReadingAhead = static_cast<int64_t>(BlockReadAhead::MaxSlots);
// The bytes of each file a reading thread reads and compares at a time.
constexpr int32_t ComparedPiece = 65536;
// With many files the slots hold fewer blocks of each, so that the buffers
// of all stay within this many blocks.
constexpr int64_t BlocksHeld = 64;

}  // namespace

BlockReadAhead::BlockReadAhead(std::vector<ByteFile*> files, int64_t size, int32_t blockSize,
                               BlockWork work)
    : files_(std::move(files)), size_(size), blockSize_(blockSize), work_(std::move(work)) {
  // A file of one block has nothing to overlap.
  atOffsets_ = size > blockSize && std::all_of(files_.begin(), files_.end(),
                                               [](ByteFile* f) { return f->ReadsOnAnyThread(); });
  const int64_t fileCount = std::max<int64_t>(1, static_cast<int64_t>(files_.size()));
  const int64_t slotsAhead = std::clamp<int64_t>(BlocksHeld / fileCount, 2, SlotsReadingAhead);
  // A file that comes from the disk is read by the caller alone, in order,
  // into a single slot: the disk sets the pace then, the thread would find
  // nothing at hand, and one slot stays in the processor's cache where
  // several would push each other out of it.
  const bool ahead = atOffsets_ && AheadAtHand(slotsAhead);
  for (int64_t s = 0; s < (ahead ? slotsAhead : 1); ++s) {
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
    // Without a thread each block is read when it is asked for.
  }
}

BlockReadAhead::~BlockReadAhead() { StopThread(); }

bool BlockReadAhead::AheadAtHand(int64_t blocks) const {
  const int64_t ahead = std::min(size_ - blockSize_, blockSize_ * blocks);
  return std::none_of(files_.begin(), files_.end(), [&](ByteFile* file) {
    return file->BytesAtHand(blockSize_, ahead) == ByteFile::AtHand::NotAll;
  });
}

void BlockReadAhead::StopThread() {
  if (!reader_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  readerWakes_.notify_one();
  reader_.join();
}

size_t BlockReadAhead::SlotIndex(int64_t block) const {
  return static_cast<size_t>(block % static_cast<int64_t>(slots_.size()));
}

BlockReadAhead::Slot& BlockReadAhead::SlotOf(int64_t block) { return slots_[SlotIndex(block)]; }

const BlockReadAhead::Slot& BlockReadAhead::SlotOf(int64_t block) const {
  return slots_[SlotIndex(block)];
}

int32_t BlockReadAhead::AskedOf(int64_t block) const {
  return static_cast<int32_t>(std::clamp<int64_t>(size_ - block * blockSize_, 0, blockSize_));
}

BlockReadAhead::Outcome BlockReadAhead::ReadBlock(int64_t block, bool atHandOnly) {
  Slot& slot = SlotOf(block);
  const int32_t asked = AskedOf(block);
  slot.Agree = false;
  if (!atOffsets_) {
    for (size_t k = 0; k < files_.size(); ++k) {
      slot.Got[k] = files_[k]->Read(slot.Buffers[k].data(), asked);
      if (slot.Got[k] != asked) return Outcome::Last;
    }
    slot.Agree = std::all_of(slot.Buffers.begin(), slot.Buffers.end(), [&](const AlignedBuffer& b) {
      return std::memcmp(b.data(), slot.Buffers[0].data(), static_cast<size_t>(asked)) == 0;
    });
    if (work_) work_(SlotIndex(block), slot.Buffers[0].data(), asked);
    return EndOf(block);
  }
  // A piece of every file at a time, compared at once: the pieces are still
  // in the processor's own cache then, where whole blocks of two files would
  // crowd each other out of it. A single file is read a block at a time.
  const int32_t pieceSize = files_.size() > 1 ? ComparedPiece : blockSize_;
  bool agree = true;
  for (int32_t at = 0; at < asked; at += pieceSize) {
    const int32_t n = std::min(pieceSize, asked - at);
    const auto length = static_cast<size_t>(n);
    for (size_t k = 0; k < files_.size(); ++k) {
      uint8_t* piece = slot.Buffers[k].data() + at;
      const int64_t offset = block * blockSize_ + at;
      const int32_t got = atHandOnly ? files_[k]->ReadCachedAt(offset, piece, n)
                                     : files_[k]->ReadAt(offset, piece, n);
      if (got != n && atHandOnly) return Outcome::NotAtHand;
      if (got != n) {
        // The block ends here for every file; the ones before this count as
        // whole, as they would had each read its block at once.
        std::fill_n(slot.Got.begin(), k, asked);
        slot.Got[k] = got < 0 ? -1 : at + got;
        return Outcome::Last;
      }
      agree = agree && (k == 0 || std::memcmp(piece, slot.Buffers[0].data() + at, length) == 0);
    }
  }
  std::fill(slot.Got.begin(), slot.Got.end(), asked);
  slot.Agree = agree;
  if (work_) work_(SlotIndex(block), slot.Buffers[0].data(), asked);
  return EndOf(block);
}

BlockReadAhead::Outcome BlockReadAhead::EndOf(int64_t block) const {
  return (block + 1) * blockSize_ < size_ ? Outcome::More : Outcome::Last;
}

int64_t BlockReadAhead::TakeBlockToRead() {
  const int64_t block = nextToRead_;
  if (stopping_ || block > lastBlock_ || block * blockSize_ >= size_ || FreeSlots(block) < 1) {
    return -1;
  }
  nextToRead_ = block + 1;
  return block;
}

void BlockReadAhead::BlockRead(int64_t block, Outcome outcome) {
  SlotOf(block).Holds = block;
  if (outcome != Outcome::More) lastBlock_ = std::min(lastBlock_, block);
}

void BlockReadAhead::ReadOnThread() {
  const auto half = static_cast<int64_t>(slots_.size()) / 2;
  std::unique_lock lock(mutex_);
  // The caller reads the first block itself, and the thread begins once it
  // has: a file that comes from the disk is then read from its start, which
  // the host's reading ahead takes for reading in order from the first read
  // on. A look at the second block before that would start the disk there.
  readerWaiting_ = true;
  readerWakes_.wait(lock, [&] { return stopping_ || firstBlockRead_; });
  readerWaiting_ = false;
  for (;;) {
    const int64_t block = TakeBlockToRead();
    if (block < 0) {
      if (stopping_ || nextToRead_ > lastBlock_ || nextToRead_ * blockSize_ >= size_) return;
      // A slot is free once the caller has moved past the block it held.
      // With none free the thread waits until half of them are, so that it
      // sleeps and wakes once for several blocks rather than for each.
      readerWaiting_ = true;
      readerWakes_.wait(lock, [&] { return stopping_ || FreeSlots(nextToRead_) >= half; });
      readerWaiting_ = false;
      continue;
    }
    // The thread reads only what is in memory already. When the file must
    // come from the disk, the disk sets the pace, and reads from two threads
    // would only mislead the host's reading ahead: the thread leaves the
    // block and all after it to the caller, which reads them in order.
    lock.unlock();
    const Outcome outcome = ReadBlock(block, true);
    lock.lock();
    if (outcome == Outcome::NotAtHand) {
      SlotOf(block).Left = block;
    } else {
      BlockRead(block, outcome);
    }
    if (callerWaitsFor_ >= 0 && CallerMayGoOn(callerWaitsFor_)) callerWakes_.notify_one();
    if (outcome == Outcome::NotAtHand) return;
  }
}

bool BlockReadAhead::CallerMayGoOn(int64_t block) const {
  const Slot& slot = SlotOf(block);
  return slot.Holds == block || slot.Left == block || block > lastBlock_;
}

int64_t BlockReadAhead::FreeSlots(int64_t block) const {
  return taken_ - 1 + static_cast<int64_t>(slots_.size()) - block;
}

void BlockReadAhead::NextBlock() {
  const int64_t block = taken_;
  if (reader_.joinable()) {
    std::unique_lock lock(mutex_);
    taken_ = block + 1;
    if (readerWaiting_ && FreeSlots(nextToRead_) >= static_cast<int64_t>(slots_.size()) / 2) {
      readerWakes_.notify_one();
    }
    const Slot& slot = SlotOf(block);
    while (slot.Holds != block && block <= lastBlock_) {
      // A block the thread left is read here. Rather than wait for the
      // thread, this one reads the next block that nobody reads yet, which
      // may be this block or one further on.
      const int64_t ahead = slot.Left == block ? block : TakeBlockToRead();
      if (ahead >= 0) {
        lock.unlock();
        const Outcome outcome = ReadBlock(ahead, false);
        lock.lock();
        BlockRead(ahead, outcome);
        if (ahead == 0) {
          firstBlockRead_ = true;
          readerWakes_.notify_one();
        }
        continue;
      }
      callerWaitsFor_ = block;
      callerWakes_.wait(lock, [&] { return CallerMayGoOn(block); });
      callerWaitsFor_ = -1;
    }
    if (slot.Holds == block && block <= lastBlock_) return;
    // Asked past where the reading ahead ended: from here on each block is
    // read when asked for, on this thread, into the slot it would have had,
    // even one read ahead before the reading ended.
    lock.unlock();
    StopThread();
  } else {
    taken_ = block + 1;
  }
  ReadBlock(block, false);
}

int32_t BlockReadAhead::Asked() const { return AskedOf(taken_ - 1); }

int32_t BlockReadAhead::Got(size_t k) const { return SlotOf(taken_ - 1).Got[k]; }

bool BlockReadAhead::BlocksAgree() const { return SlotOf(taken_ - 1).Agree; }

size_t BlockReadAhead::CurrentSlot() const { return SlotIndex(taken_ - 1); }

uint8_t* BlockReadAhead::Block(size_t k) { return SlotOf(taken_ - 1).Buffers[k].data(); }

const uint8_t* BlockReadAhead::Block(size_t k) const {
  return SlotOf(taken_ - 1).Buffers[k].data();
}

}  // namespace tamarack
