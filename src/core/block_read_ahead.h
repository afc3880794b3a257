#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/aligned_buffer.h"
#include "platform/byte_file.h"

namespace tamarack {

// Reads several files in step from their start, one block of each at a
// time, and tells whether they agree in it. When every file may be read on
// another thread, a thread of its own and the caller share the reading: each
// takes the next block not yet taken, reads it from every file at its offset
// and compares the files while the block is still in its processor's cache.
// The caller goes on with the blocks in order, and rarely has to look again
// at blocks that agree; it reads a block itself rather than wait for the
// thread, so that both processors of a small machine are busy and neither
// waits on the other for long. The thread reads only what is in memory
// already, and starts only when the first blocks it would read are; from
// the first block that has to come from the disk on, the caller reads
// alone, in order. Otherwise each block is read when asked for, from the
// files' current positions, which the caller has set to their start, and
// in order. Either way the caller sees the same blocks with the same
// outcomes: the reading ahead ends at a read that does not deliver what it
// asked for, or at the size, and any block asked for after that is read
// then, on the caller's thread.
class BlockReadAhead {
 public:
  // The most slots the blocks are read into.
  static constexpr size_t MaxSlots = 8;
  // Work on a block of the first file, done where the block was read, on
  // whichever thread, once every file delivered it whole: called with the
  // index of the slot it is read into, its bytes and their count. Work on
  // different slots may run at the same time.
  using BlockWork = std::function<void(size_t slot, const uint8_t* bytes, int32_t count)>;

  // Each read asks for a block, or for what is left of the size when that
  // is less: a file that has grown since the size was taken is not read past
  // it.
  BlockReadAhead(std::vector<ByteFile*> files, int64_t size, int32_t blockSize,
                 BlockWork work = {});
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
  // files up to the first one that did not deliver Asked; the files before
  // that one have delivered it.
  int32_t Asked() const;
  int32_t Got(size_t k) const;
  // True when every file delivered the current block whole and holds the
  // same bytes in it as the first file.
  bool BlocksAgree() const;
  // The index of the slot that holds the current block, below MaxSlots.
  size_t CurrentSlot() const;
  // The bytes of file k in the current block; the caller may change them,
  // and they stay valid until the next call of NextBlock.
  uint8_t* Block(size_t k);
  const uint8_t* Block(size_t k) const;
  // True while a thread of their own is there: from the start when the
  // files are in memory, until a block is asked for past where its reading
  // ended.
  bool ReadsAhead() const { return reader_.joinable(); }

 private:
  struct Slot {
    std::vector<AlignedBuffer> Buffers;
    std::vector<int32_t> Got;
    bool Agree = false;
    int64_t Holds = -1;  // the block read into the slot while reading ahead
    int64_t Left = -1;   // the block the thread left for the caller to read
  };
  // How reading a block went: the reading may go on past it, or not (the
  // size is reached, or a read did not deliver what it asked); or, reading
  // only what is at hand, some of it was not.
  enum class Outcome { More, Last, NotAtHand };

  size_t SlotIndex(int64_t block) const;
  Slot& SlotOf(int64_t block);
  const Slot& SlotOf(int64_t block) const;
  int32_t AskedOf(int64_t block) const;
  // Reads the block into its slot, only what is at hand in memory when
  // asked so.
  Outcome ReadBlock(int64_t block, bool atHandOnly);
  Outcome EndOf(int64_t block) const;
  // The next block to read ahead, taken off for the one who reads it; -1
  // when there is none, or no free slot for it. Holds the mutex.
  int64_t TakeBlockToRead();
  // Notes a block read ahead. Holds the mutex.
  void BlockRead(int64_t block, Outcome outcome);
  // True when the caller that waits for the block may go on: it is read,
  // left for the caller, or past where the reading ended. Holds the mutex.
  bool CallerMayGoOn(int64_t block) const;
  // False when the blocks after the first, as many as given, are not all
  // in memory, as far as the files can tell.
  bool AheadAtHand(int64_t blocks) const;
  void ReadOnThread();
  // The slots free for reading the block into.
  int64_t FreeSlots(int64_t block) const;
  void StopThread();

  std::vector<ByteFile*> files_;
  int64_t size_;
  int32_t blockSize_;
  BlockWork work_;
  bool atOffsets_ = false;  // blocks are read at their offsets, not in order
  std::vector<Slot> slots_;
  int64_t taken_ = 0;  // blocks handed to the caller, the last one still in use

  std::mutex mutex_;
  std::condition_variable readerWakes_;
  std::condition_variable callerWakes_;
  int64_t nextToRead_ = 0;  // the first block that neither has begun to read
  // The last block read ahead: the first one that ended the reading.
  int64_t lastBlock_ = std::numeric_limits<int64_t>::max();
  bool stopping_ = false;        // the thread is asked to stop
  bool readerWaiting_ = false;   // the thread waits for free slots or the first block
  bool firstBlockRead_ = false;  // the caller has read the first block
  int64_t callerWaitsFor_ = -1;  // the block the caller waits for, -1 when it does not
  std::thread reader_;
};

}  // namespace tamarack
