#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "analysis/block_feed.h"

namespace tamarack {

// Runs a feed on a thread of its own beside the scan, block by block: while
// this thread scans a block, the other feeds it the same bytes. The block's
// buffer is given back only after both are done with it, so the reading is
// left as it is. On a machine with one processor the feed runs here, after
// the scan of each block.
class FeedBeside {
 public:
  // Without a feed, Beside only scans.
  explicit FeedBeside(BlockFeed* feed);
  ~FeedBeside();
  FeedBeside(const FeedBeside&) = delete;
  FeedBeside& operator=(const FeedBeside&) = delete;

  // Feeds the block on the other thread and runs scan() on this one;
  // returns when both are done with the bytes.
  template <typename Scan>
  void Beside(int64_t offset, const uint8_t* bytes, int32_t count, Scan&& scan) {
    Start(offset, bytes, count);
    scan();
    Wait();
  }
  // Finishes the feed after the last block of a file read whole.
  void Finish();

 private:
  void Start(int64_t offset, const uint8_t* bytes, int32_t count);
  void Wait();
  void Work();

  BlockFeed* feed_;
  int64_t offset_ = 0;
  const uint8_t* bytes_ = nullptr;
  int32_t count_ = 0;
  // Counts the blocks handed over and the blocks fed; the two threads wait
  // on them in turn.
  std::atomic<uint64_t> given_{0};
  std::atomic<uint64_t> fed_{0};
  std::atomic<bool> ending_{false};
  std::thread worker_;
};

}  // namespace tamarack
