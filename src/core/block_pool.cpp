#include "core/block_pool.h"

#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/aligned_buffer.h"

namespace tamarack {

struct BlockPool::Shared {
  std::mutex Mutex;
  std::condition_variable Returned;
  size_t Limit = 0;
  std::vector<AlignedBuffer> All;  // reserved for Limit, so that none moves
  std::vector<uint8_t*> Free;
};

BlockPool::BlockPool(int32_t blockSize, int buffers)
    : blockSize_(blockSize), shared_(std::make_shared<Shared>()) {
  shared_->Limit = static_cast<size_t>(buffers);
  shared_->All.reserve(shared_->Limit);
}

std::shared_ptr<uint8_t> BlockPool::Take() {
  uint8_t* bytes = nullptr;
  {
    std::unique_lock<std::mutex> lock(shared_->Mutex);
    Shared& s = *shared_;
    s.Returned.wait(lock, [&] { return !s.Free.empty() || s.All.size() < s.Limit; });
    if (s.Free.empty()) {
      bytes = s.All.emplace_back(static_cast<size_t>(blockSize_)).data();
    } else {
      bytes = s.Free.back();
      s.Free.pop_back();
    }
  }
  // The deleter keeps the pool's buffers alive until the last is back.
  return {bytes, [shared = shared_](uint8_t* back) {
            {
              std::lock_guard<std::mutex> lock(shared->Mutex);
              shared->Free.push_back(back);
            }
            shared->Returned.notify_one();
          }};
}

}  // namespace tamarack
