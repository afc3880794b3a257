#include "analysis/feed_beside.h"

namespace tamarack {

FeedBeside::FeedBeside(BlockFeed* feed) : feed_(feed) {
  if (feed_ != nullptr && std::thread::hardware_concurrency() > 1) {
    worker_ = std::thread([this] { Work(); });
  }
}

FeedBeside::~FeedBeside() {
  if (!worker_.joinable()) return;
  ending_.store(true);
  given_.fetch_add(1);
  given_.notify_one();
  worker_.join();
}

void FeedBeside::Start(int64_t offset, const uint8_t* bytes, int32_t count) {
  offset_ = offset;
  bytes_ = bytes;
  count_ = count;
  if (!worker_.joinable()) return;
  given_.fetch_add(1);
  given_.notify_one();
}

void FeedBeside::Wait() {
  if (feed_ == nullptr) return;
  // Without a thread of its own, the block is fed here after its scan.
  if (!worker_.joinable()) {
    feed_->Feed(offset_, bytes_, count_);
    return;
  }
  const uint64_t given = given_.load();
  for (uint64_t fed = fed_.load(); fed != given; fed = fed_.load()) fed_.wait(fed);
}

void FeedBeside::Work() {
  uint64_t seen = 0;
  while (true) {
    for (uint64_t given = given_.load(); given == seen; given = given_.load()) given_.wait(given);
    if (ending_.load()) return;
    ++seen;
    feed_->Feed(offset_, bytes_, count_);
    fed_.store(seen);
    fed_.notify_one();
  }
}

void FeedBeside::Finish() {
  if (feed_ != nullptr) feed_->Finish();
}

}  // namespace tamarack
