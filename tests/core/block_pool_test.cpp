#include "core/block_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <thread>

namespace tamarack {
namespace {

// A buffer given back is lent again rather than a new one made, and one held
// past the pool's end is given back without harm.
TEST(BlockPoolTest, LendsItsBuffersAgainAndOutlivesItsHolders) {
  std::optional<BlockPool> pool(std::in_place, 4096, 2);
  std::shared_ptr<uint8_t> first = pool->Take();
  std::shared_ptr<uint8_t> second = pool->Take();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(reinterpret_cast<uintptr_t>(first.get()) % 4096, 0u);
  first.get()[4095] = 1;
  uint8_t* const lent = first.get();
  first.reset();
  EXPECT_EQ(pool->Take().get(), lent);
  pool.reset();
  second.get()[0] = 2;
  second.reset();
}

// With every buffer out, Take waits until one comes back, from any thread.
TEST(BlockPoolTest, WaitsForABufferToComeBack) {
  BlockPool pool(4096, 1);
  std::shared_ptr<uint8_t> only = pool.Take();
  uint8_t* const lent = only.get();
  std::thread holder([held = std::move(only)]() mutable { held.reset(); });
  EXPECT_EQ(pool.Take().get(), lent);
  holder.join();
}

}  // namespace
}  // namespace tamarack
