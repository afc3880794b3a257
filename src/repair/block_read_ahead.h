#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "core/operation_control.h"
#include "platform/aligned_buffer.h"
#include "platform/byte_file.h"

namespace tamarack {

// Reads several files in step, one block of each at a time, from their
// current positions up to a size. When every file may be read on another
// thread, a thread of its own reads a few blocks ahead of the caller, so
// that reading them overlaps with what the caller does with the blocks
// before; otherwise each block is read when asked for, in the same order.
// Either way the caller sees the same blocks and the same faults at the same
// block: a read that fails or ends early stops the reading there, and is
// reported when the caller asks for that block, not before.
class BlockReadAhead {
 public:
  BlockReadAhead(std::vector<ByteFile*> files, int64_t size, int32_t blockSize);
  // Stops the reading thread; a read under way is finished first.
  ~BlockReadAhead();
  BlockReadAhead(const BlockReadAhead&) = delete;
  BlockReadAhead& operator=(const BlockReadAhead&) = delete;

  // Makes the next block of every file available through Block, and gives
  // back the previous one's buffers. A failed or short read of a file ends
  // the running operation with the message for the role and gives false, as
  // does a call past the size or after such a failure.
  bool NextBlock(OperationControl& control, FileRole role);
  // The bytes of file k in the block NextBlock made available; valid until
  // the next call of NextBlock.
  const uint8_t* Block(size_t k) const;
  // True when the blocks are read on a thread of their own.
  bool ReadsAhead() const { return reader_.joinable(); }

 private:
  struct Slot {
    std::vector<AlignedBuffer> Buffers;
    std::vector<int32_t> Got;  // bytes read of each file, -1 on a fault
  };

  int32_t CountOf(int64_t block) const;
  // Reads the block into its slot; false when a read failed or ended short.
  bool ReadBlock(int64_t block);
  void ReadOnThread();

  std::vector<ByteFile*> files_;
  int64_t size_;
  int32_t blockSize_;
  std::vector<Slot> slots_;
  int64_t taken_ = 0;  // blocks handed to the caller, the last one still in use
  bool failed_ = false;  // a block handed over was not read whole

  std::mutex mutex_;
  std::condition_variable changed_;
  int64_t read_ = 0;  // blocks the thread has read
  bool stopping_ = false;
  std::thread reader_;
};

}  // namespace tamarack
