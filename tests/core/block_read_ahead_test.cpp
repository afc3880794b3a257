#include "core/block_read_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

// Longer than the pieces a reading thread reads at a time, and not a multiple
// of them.
constexpr int32_t Block = 96 * 1024;

// Bytes in memory that may say they can be read on any thread. The first
// read of one byte fails, or ends early as if another program had shortened
// the file.
class MemoryFile : public ByteFile {
 public:
  MemoryFile(std::vector<uint8_t> bytes, bool anyThread)
      : bytes_(std::move(bytes)), anyThread_(anyThread) {}

  int32_t Read(void* buffer, int32_t count) override {
    const int32_t n = ReadAt(static_cast<int64_t>(position_), buffer, count);
    if (n > 0) position_ += static_cast<size_t>(n);
    return n;
  }
  int32_t ReadAt(int64_t offset, void* buffer, int32_t count) override {
    if (offset == 0) {
      // The first block comes slowly, as from a disk.
      std::this_thread::sleep_for(std::chrono::milliseconds(SlowStartMs));
      FirstBlockRead = true;
    }
    const bool faulty =
        offset <= FaultyByte && FaultyByte < offset + count && !faulted_.exchange(true);
    if (faulty && !ShortRead) return -1;
    const auto at = static_cast<size_t>(offset);
    auto n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(count), bytes_.size() - at));
    if (faulty) n /= 2;
    std::memcpy(buffer, bytes_.data() + at, static_cast<size_t>(n));
    BytesRead += n;
    return n;
  }
  // Bytes from NotAtHandFrom on are not at hand: they would have to come
  // from the disk. Nor is the faulty byte, which the disk cannot deliver.
  int32_t ReadCachedAt(int64_t offset, void* buffer, int32_t count) override {
    if (!FirstBlockRead) ++ReadsBeforeTheFirst;
    const bool faulty = offset <= FaultyByte && FaultyByte < offset + count;
    if (offset + count <= NotAtHandFrom && !faulty) return ReadAt(offset, buffer, count);
    ++Misses;
    return 0;
  }
  AtHand BytesAtHand(int64_t offset, int64_t count) override {
    return offset + count <= NotAtHandFrom ? AtHand::All : AtHand::NotAll;
  }
  int32_t Write(const void*, int32_t) override { return -1; }
  bool Seek(int64_t offset) override {
    position_ = static_cast<size_t>(offset);
    return true;
  }
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  bool Close() override { return true; }
  bool Sync() override { return true; }
  bool ReadsOnAnyThread() const override { return anyThread_; }

  std::atomic<int64_t> BytesRead{0};
  int64_t FaultyByte = -1;
  int64_t NotAtHandFrom = std::numeric_limits<int64_t>::max();
  std::atomic<int> Misses{0};
  std::atomic<bool> FirstBlockRead{false};
  std::atomic<int> ReadsBeforeTheFirst{0};
  int SlowStartMs = 0;
  bool ShortRead = false;

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
  bool anyThread_;
  std::atomic<bool> faulted_{false};
};

// Each case runs with the reading on threads of their own and without; the
// caller must see the same either way.
class BlockReadAheadTest : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Threads, BlockReadAheadTest, ::testing::Values(true, false),
                         [](const auto& param) { return param.param ? "Ahead" : "WhenAsked"; });

// Three files of different lengths, read up to a size that is not a multiple
// of the block: the longer ones are not read past the size. The second is a
// copy of the first but for two blocks, the third differs in one more.
TEST_P(BlockReadAheadTest, GivesEveryBlockOfEveryFileInOrderAndWhetherTheyAgree) {
  const size_t size = 10 * Block + 123;
  const std::vector<uint8_t> first = RandomBytes(size, 1);
  std::vector<uint8_t> second = first;
  second.resize(size + 5000, 9);
  second[2 * Block + 80000] ^= 1;
  second[size - 1] ^= 1;
  std::vector<uint8_t> third = second;
  third[5 * Block] ^= 1;
  MemoryFile a(first, GetParam());
  MemoryFile b(second, GetParam());
  MemoryFile c(third, GetParam());
  BlockReadAhead blocks({&a, &b, &c}, static_cast<int64_t>(size), Block);
  EXPECT_EQ(blocks.ReadsAhead(), GetParam());
  for (size_t at = 0; at < size; at += Block) {
    blocks.NextBlock();
    const auto n = static_cast<int32_t>(std::min<size_t>(Block, size - at));
    ASSERT_EQ(blocks.Asked(), n) << "at " << at;
    for (size_t k = 0; k < 3; ++k) ASSERT_EQ(blocks.Got(k), n) << "at " << at;
    EXPECT_EQ(std::memcmp(blocks.Block(0), first.data() + at, n), 0) << "at " << at;
    EXPECT_EQ(std::memcmp(blocks.Block(1), second.data() + at, n), 0) << "at " << at;
    EXPECT_EQ(std::memcmp(blocks.Block(2), third.data() + at, n), 0) << "at " << at;
    const size_t block = at / Block;
    EXPECT_EQ(blocks.BlocksAgree(), block != 2 && block != 5 && block != 10) << "at " << at;
  }
  EXPECT_EQ(a.BytesRead, size);
  EXPECT_EQ(b.BytesRead, size);
}

// A read of the second file that fails, or ends early as if the file had
// been shortened, shows at its block after three whole ones, and that block
// does not agree. A block asked for after it is read then, on the caller's
// thread. Without threads nothing is read before it is asked for.
TEST_P(BlockReadAheadTest, EndsTheReadingAheadAtAReadThatFallsShort) {
  for (const bool shortRead : {false, true}) {
    SCOPED_TRACE(shortRead ? "short read" : "failed read");
    const std::vector<uint8_t> bytes = RandomBytes(20 * Block, 3);
    MemoryFile a(bytes, GetParam());
    MemoryFile b(bytes, GetParam());
    b.FaultyByte = 3 * Block + 70000;
    b.ShortRead = shortRead;
    BlockReadAhead blocks({&a, &b}, 20 * Block, Block);
    for (int block = 0; block < 3; ++block) {
      blocks.NextBlock();
      ASSERT_EQ(blocks.Got(1), Block);
      EXPECT_TRUE(blocks.BlocksAgree());
    }
    blocks.NextBlock();
    EXPECT_EQ(blocks.Got(0), Block);
    if (shortRead) {
      EXPECT_GT(blocks.Got(1), 0);
      EXPECT_LT(blocks.Got(1), Block);
    } else {
      EXPECT_EQ(blocks.Got(1), -1);
    }
    EXPECT_FALSE(blocks.BlocksAgree());
    blocks.NextBlock();
    EXPECT_EQ(blocks.Got(1), Block);
    EXPECT_FALSE(blocks.ReadsAhead());
    if (!GetParam()) {
      EXPECT_EQ(a.BytesRead, 5 * Block);
    }
  }
}

// The thread reads only what is at hand; from the first block that is not,
// it leaves the reading to the caller, which still gets every block once.
TEST_P(BlockReadAheadTest, BlocksNotAtHandAreLeftToTheCaller) {
  const int64_t size = 40 * Block;
  const std::vector<uint8_t> bytes = RandomBytes(static_cast<size_t>(size), 6);
  MemoryFile a(bytes, GetParam());
  MemoryFile b(bytes, GetParam());
  b.NotAtHandFrom = 10 * Block + 1;
  BlockReadAhead blocks({&a, &b}, size, Block);
  // The first blocks are at hand, so the thread starts where it can.
  EXPECT_EQ(blocks.ReadsAhead(), GetParam());
  for (int64_t at = 0; at < size; at += Block) {
    blocks.NextBlock();
    ASSERT_EQ(blocks.Got(0), Block) << at;
    ASSERT_EQ(blocks.Got(1), Block) << at;
    EXPECT_TRUE(blocks.BlocksAgree()) << at;
    EXPECT_EQ(std::memcmp(blocks.Block(1), bytes.data() + at, Block), 0) << at;
  }
  EXPECT_EQ(b.BytesRead, size);
  EXPECT_LE(b.Misses, GetParam() ? 1 : 0);
}

// A file whose first blocks are not in memory comes from the disk: the
// caller reads it alone, and no read looks for bytes at hand.
TEST_P(BlockReadAheadTest, AFileNotInMemoryIsReadByTheCallerAlone) {
  const int64_t size = 20 * Block;
  const std::vector<uint8_t> bytes = RandomBytes(static_cast<size_t>(size), 7);
  MemoryFile a(bytes, GetParam());
  MemoryFile b(bytes, GetParam());
  b.NotAtHandFrom = 2 * Block;
  BlockReadAhead blocks({&a, &b}, size, Block);
  EXPECT_FALSE(blocks.ReadsAhead());
  for (int64_t at = 0; at < size; at += Block) {
    blocks.NextBlock();
    ASSERT_EQ(blocks.Got(1), Block) << at;
    EXPECT_EQ(std::memcmp(blocks.Block(1), bytes.data() + at, Block), 0) << at;
    EXPECT_EQ(blocks.CurrentSlot(), 0u) << "one slot serves";
  }
  EXPECT_EQ(a.BytesRead + b.BytesRead, 2 * size);
  EXPECT_EQ(b.Misses, 0);
}

// The caller's read of the first block is the first read of all, however
// long it takes: the thread waits for it.
TEST_P(BlockReadAheadTest, TheFirstBlockIsReadFirst) {
  MemoryFile file(RandomBytes(20 * Block, 8), GetParam());
  file.SlowStartMs = 50;
  BlockReadAhead blocks({&file}, 20 * Block, Block);
  for (int k = 0; k < 20; ++k) blocks.NextBlock();
  EXPECT_EQ(file.ReadsBeforeTheFirst, 0);
  EXPECT_EQ(file.BytesRead, 20 * Block);
}

// A caller that stops early leaves at most a few blocks read for nothing;
// without threads, nothing is read before it is asked for.
TEST_P(BlockReadAheadTest, ReadsOnlyAFewBlocksAheadOfTheCaller) {
  MemoryFile file(RandomBytes(100 * Block, 5), GetParam());
  {
    BlockReadAhead blocks({&file}, 100 * Block, Block);
    blocks.NextBlock();
    blocks.NextBlock();
  }
  EXPECT_GE(file.BytesRead, 2 * Block);
  EXPECT_LE(file.BytesRead, (GetParam() ? 9 : 2) * Block);
}

}  // namespace
}  // namespace tamarack::testing
