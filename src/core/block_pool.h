#pragma once

#include <cstdint>
#include <memory>

namespace tamarack {

// A block of a file read into a buffer that several threads may hold at
// once, so that the threads working on its bytes take them where they were
// read instead of copies. The buffer goes back to its pool when the last
// holder lets it go.
struct HeldBlock {
  int64_t Offset = 0;  // 0-based, in the file
  std::shared_ptr<const uint8_t> Bytes;
  int32_t Count = 0;
};

// A fixed number of page-aligned buffers of one block each, lent out one at
// a time. The reading waits when all are out, so readers that hand blocks to
// slower threads stay at most that many blocks ahead of them and the memory
// held stays bounded. Buffers are allocated when first needed.
class BlockPool {
 public:
  BlockPool(int32_t blockSize, int buffers);

  int32_t BlockSize() const { return blockSize_; }
  // A buffer of BlockSize bytes, once one is free; it goes back to the pool
  // when the last copy of the pointer is dropped, on any thread, also after
  // the pool itself is gone.
  std::shared_ptr<uint8_t> Take();

 private:
  struct Shared;
  int32_t blockSize_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace tamarack
