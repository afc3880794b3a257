#pragma once

#include <cstdint>
#include <vector>

#include "core/block_pool.h"

namespace tamarack {

// Takes the blocks of a file one after the other, in file order, from the
// same reading that the scan looks at: the digests and the piece check of a
// torrent learn the file without a second pass over it.
class BlockFeed {
 public:
  virtual ~BlockFeed() = default;
  // The next block of the file. A feed may hold on to it past the call, and
  // work on its bytes on threads of its own; its buffer is reused only once
  // every holder has let it go.
  virtual void Feed(const HeldBlock& block) = 0;
  // Called once after the last block of a file that was read whole; a feed
  // whose scan stopped or failed is never finished.
  virtual void Finish() = 0;
};

// Several feeds fed the same blocks, one after the other.
class FeedList : public BlockFeed {
 public:
  void Add(BlockFeed& feed) { feeds_.push_back(&feed); }
  bool Empty() const { return feeds_.empty(); }
  void Feed(const HeldBlock& block) override {
    for (BlockFeed* feed : feeds_) feed->Feed(block);
  }
  void Finish() override {
    for (BlockFeed* feed : feeds_) feed->Finish();
  }

 private:
  std::vector<BlockFeed*> feeds_;
};

}  // namespace tamarack
