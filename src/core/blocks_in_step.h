#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "core/block_source.h"
#include "platform/aligned_buffer.h"

namespace tamarack {

// Reads the same block of several files at a time, block after block from
// their start, and shares the work between the operation's thread and one
// more: each takes the next block that nobody has taken yet, reads it from
// every file at its offset and does the work on its bytes right there, while
// they are still in that processor's cache. Copying the files out of the
// page cache is most of a merge's time, and a machine has a second
// processor for it. The caller still takes the blocks one by one in order,
// and does everything that has to be done in order (messages, writes,
// progress, the map) on its own thread.
//
// The files are the sources' (one size and block size for all); they are
// read by the sources' rule, file after file within a block, up to the first
// that does not deliver the block whole. Their ReadAt must allow two
// threads at once. A block is read at most a few blocks ahead of the one
// the caller holds, so a stop or a fault finds little read for nothing.
class BlocksInStep {
 public:
  // The most slots the blocks are read into; Work's and Slot's values lie
  // below. With many files there are fewer, down to two.
  static constexpr size_t SlotCount = 4;

  // Work on the blocks of every file at the offset, done where they were
  // read, on either thread, once every file delivered them whole: called
  // with the slot that holds them, the offset, the bytes of each file in
  // the sources' order (which the work may change) and their count. Work
  // on different slots may run at the same time.
  using Work = std::function<void(size_t slot, int64_t offset, const std::vector<uint8_t*>& blocks,
                                  int32_t count)>;

  BlocksInStep(std::vector<BlockSource*> sources, Work work);
  // Stops the other thread, after the block it reads.
  ~BlocksInStep();
  BlocksInStep(const BlocksInStep&) = delete;
  BlocksInStep& operator=(const BlocksInStep&) = delete;

  // Takes the next block in order, read whole from every file and worked
  // on; the previous block's buffers go back. False, with the message of
  // the first file that did not deliver it whole shown, when one did not:
  // no block is taken after that.
  bool Next();
  bool AtEnd() const { return current_ + 1 >= blockCount_; }

  // The block taken last: its slot, offset, count, and the bytes of file k,
  // which the caller may change until the next call of Next.
  size_t Slot() const { return SlotIndex(current_); }
  int64_t Offset() const { return current_ * blockSize_; }
  int32_t Count() const { return CountOf(current_); }
  uint8_t* Block(size_t k) { return slots_[Slot()].Blocks[k]; }

 private:
  struct SlotState {
    std::vector<AlignedBuffer> Buffers;
    std::vector<uint8_t*> Blocks;  // the buffers' bytes
    int64_t Holds = -1;            // the block read into it
    // The file that did not deliver the block whole, and what it gave;
    // -1 when all did.
    int32_t FailedFile = -1;
    int32_t Got = 0;
  };

  size_t SlotIndex(int64_t block) const {
    return static_cast<size_t>(block % static_cast<int64_t>(slots_.size()));
  }
  int32_t CountOf(int64_t block) const;
  // Reads the block from every file into its slot and works on it; false
  // when a file did not deliver it whole. Runs without the mutex.
  bool ReadBlock(int64_t block);
  // The next block that nobody reads yet, taken off for the one who will;
  // -1 when there is none, or no free slot for it. Holds the mutex.
  int64_t TakeBlock();
  // Notes a block read. Holds the mutex.
  void BlockRead(int64_t block, bool whole);
  void ReadOnThread();

  std::vector<BlockSource*> sources_;
  Work work_;
  int64_t size_;
  int32_t blockSize_;
  int64_t blockCount_;
  std::vector<SlotState> slots_;
  int64_t current_ = -1;  // the block the caller holds

  std::mutex mutex_;
  std::condition_variable readerWakes_;
  std::condition_variable callerWakes_;
  int64_t nextToRead_ = 0;  // the first block that nobody has taken
  int64_t released_ = 0;    // the blocks before it are the caller's no longer
  int64_t lastBlock_;       // no block after it is read
  bool stopping_ = false;
  bool readerWaits_ = false;
  bool callerWaits_ = false;
  std::thread reader_;
};

}  // namespace tamarack
