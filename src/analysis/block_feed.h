#pragma once

#include <cstdint>
#include <vector>

namespace tamarack {

// Takes the bytes of a file block after block, in file order, from the same
// reading that the scan looks at: the digests and the piece check of a
// torrent learn the file without a second pass over it.
class BlockFeed {
 public:
  virtual ~BlockFeed() = default;
  // The count bytes of the file from the 0-based offset on. They stay valid
  // only until Feed returns.
  virtual void Feed(int64_t offset, const uint8_t* bytes, int32_t count) = 0;
  // Called once after the last block of a file that was read whole; a feed
  // whose scan stopped or failed is never finished.
  virtual void Finish() = 0;
};

// Several feeds fed the same blocks, one after the other.
class FeedList : public BlockFeed {
 public:
  void Add(BlockFeed& feed) { feeds_.push_back(&feed); }
  bool Empty() const { return feeds_.empty(); }
  void Feed(int64_t offset, const uint8_t* bytes, int32_t count) override {
    for (BlockFeed* feed : feeds_) feed->Feed(offset, bytes, count);
  }
  void Finish() override {
    for (BlockFeed* feed : feeds_) feed->Finish();
  }

 private:
  std::vector<BlockFeed*> feeds_;
};

}  // namespace tamarack
