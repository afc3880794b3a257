#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "analysis/block_feed.h"

namespace tamarack {

// Runs a feed on a thread of its own beside the scan: the scan hands it each
// block it has read and goes on with the next while the feed works on the
// ones before. The blocks' pool bounds how far the scan runs ahead. On a
// machine with one processor the feed runs on the scan's thread, as each
// block is handed over.
class FeedBeside {
 public:
  // Without a feed, blocks handed over are let go.
  explicit FeedBeside(BlockFeed* feed);
  ~FeedBeside();
  FeedBeside(const FeedBeside&) = delete;
  FeedBeside& operator=(const FeedBeside&) = delete;

  bool Feeding() const { return feed_ != nullptr; }
  // Hands the next block in file order to the feed.
  void Give(const HeldBlock& block);
  // Finishes the feed after the last block of a file read whole, once it has
  // taken every block handed over.
  void Finish();

 private:
  void Work();

  BlockFeed* feed_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<HeldBlock> queue_;
  bool busy_ = false;  // the feed works on a block taken off the queue
  bool ending_ = false;
  std::thread worker_;
};

}  // namespace tamarack
