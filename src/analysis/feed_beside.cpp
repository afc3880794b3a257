#include "analysis/feed_beside.h"

namespace tamarack {

FeedBeside::FeedBeside(BlockFeed* feed) : feed_(feed) {
  if (feed_ != nullptr && std::thread::hardware_concurrency() > 1) {
    worker_ = std::thread([this] { Work(); });
  }
}

FeedBeside::~FeedBeside() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  worker_.join();
}

void FeedBeside::Give(const HeldBlock& block) {
  if (feed_ == nullptr) return;
  if (!worker_.joinable()) {
    feed_->Feed(block);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(block);
  }
  changed_.notify_all();
}

void FeedBeside::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return !queue_.empty() || ending_; });
    if (ending_) return;
    HeldBlock block = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    feed_->Feed(block);
    // Let go of the block before waiting again, so its buffer can be reused.
    block = HeldBlock();
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

void FeedBeside::Finish() {
  if (feed_ == nullptr) return;
  if (worker_.joinable()) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
  }
  feed_->Finish();
}

}  // namespace tamarack
