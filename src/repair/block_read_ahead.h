#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/aligned_buffer.h"
#include "platform/byte_file.h"

namespace tamarack {

// Reads several files in step, one block of each at a time, from their
// current positions. When every file may be read on another thread, a
// thread of its own reads a few blocks ahead of the caller, so that reading
// them overlaps with what the caller does with the blocks before; otherwise
// each block is read when asked for. Either way the caller sees the same
// blocks with the same outcomes, and the files are read in the same order:
// the reading ahead stops at a read that does not deliver what it asked
// for, or at the size, and any block asked for after that is read then.
class BlockReadAhead {
 public:
  // Each read asks for a block, or for what is left of the size when that
  // is less: a file that has grown since the size was taken is not read past
  // it.
  BlockReadAhead(std::vector<ByteFile*> files, int64_t size, int32_t blockSize);
  // Stops the reading thread; a read under way is finished first.
  ~BlockReadAhead();
  BlockReadAhead(const BlockReadAhead&) = delete;
  BlockReadAhead& operator=(const BlockReadAhead&) = delete;

  // Makes the next block of every file available, and gives back the
  // previous one's buffers. Within a block the files are read in order, up
  // to the first whose read does not deliver the count asked.
  void NextBlock();
  // What the read of file k in the current block asked and gave: the count
  // of bytes delivered, or -1 when it failed. Got is meaningful only for the
  // files up to the first one that did not deliver Asked.
  int32_t Asked() const;
  int32_t Got(size_t k) const;
  // The bytes of file k in the current block; valid until the next call of
  // NextBlock.
  const uint8_t* Block(size_t k) const;
  // True when the blocks are read on a thread of their own: until a block is
  // asked for past where that reading ended.
  bool ReadsAhead() const { return reader_.joinable(); }

 private:
  struct Slot {
    std::vector<AlignedBuffer> Buffers;
    std::vector<int32_t> Got;
  };

  Slot& SlotOf(int64_t block);
  const Slot& SlotOf(int64_t block) const;
  int32_t AskedOf(int64_t block) const;
  // Reads the block into its slot; false when the reading cannot go on
  // past it: a read did not deliver what it asked, or the size is reached.
  bool ReadBlock(int64_t block);
  void ReadOnThread();
  // The slots the thread may fill when it is about to read the block.
  int64_t FreeSlots(int64_t block) const;
  void StopThread();

  std::vector<ByteFile*> files_;
  int64_t size_;
  int32_t blockSize_;
  std::vector<Slot> slots_;
  int64_t taken_ = 0;  // blocks handed to the caller, the last one still in use

  std::mutex mutex_;
  std::condition_variable readerWakes_;
  std::condition_variable callerWakes_;
  int64_t read_ = 0;            // blocks the thread has read
  bool ended_ = false;          // the thread has read its last block
  bool stopping_ = false;       // the thread is asked to stop
  bool readerWaiting_ = false;  // the thread waits for free slots
  bool callerWaiting_ = false;  // the caller waits for a block
  std::thread reader_;
};

}  // namespace tamarack
