#include "repair/block_read_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

constexpr int32_t Block = 4096;

// Bytes in memory that may say they can be read on any thread. One read
// fails, or ends early as if another program had shortened the file.
class MemoryFile : public ByteFile {
 public:
  MemoryFile(std::vector<uint8_t> bytes, bool anyThread)
      : bytes_(std::move(bytes)), anyThread_(anyThread) {}

  int32_t Read(void* buffer, int32_t count) override {
    const int read = ++Reads;
    if (read == FailingRead) return -1;
    auto n = static_cast<int32_t>(
        std::min<size_t>(static_cast<size_t>(count), bytes_.size() - position_));
    if (read == ShortRead) n /= 2;
    std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    position_ += static_cast<size_t>(n);
    return n;
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

  std::atomic<int> Reads{0};
  int FailingRead = 0;
  int ShortRead = 0;

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
  bool anyThread_;
};

// Each case runs with the reading on a thread of its own and without; the
// caller must see the same either way.
class BlockReadAheadTest : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Threads, BlockReadAheadTest, ::testing::Values(true, false),
                         [](const auto& param) { return param.param ? "Ahead" : "WhenAsked"; });

// Two files of different lengths, read up to a size that is not a multiple
// of the block: the longer one is not read past the size.
TEST_P(BlockReadAheadTest, GivesEveryBlockOfEveryFileInOrder) {
  const size_t size = 10 * Block + 123;
  const std::vector<uint8_t> first = RandomBytes(size, 1);
  const std::vector<uint8_t> second = RandomBytes(size + 5000, 2);
  MemoryFile a(first, GetParam());
  MemoryFile b(second, GetParam());
  BlockReadAhead blocks({&a, &b}, static_cast<int64_t>(size), Block);
  EXPECT_EQ(blocks.ReadsAhead(), GetParam());
  for (size_t at = 0; at < size; at += Block) {
    blocks.NextBlock();
    const auto n = static_cast<int32_t>(std::min<size_t>(Block, size - at));
    ASSERT_EQ(blocks.Asked(), n) << "at " << at;
    ASSERT_EQ(blocks.Got(0), n) << "at " << at;
    ASSERT_EQ(blocks.Got(1), n) << "at " << at;
    EXPECT_EQ(std::memcmp(blocks.Block(0), first.data() + at, n), 0) << "at " << at;
    EXPECT_EQ(std::memcmp(blocks.Block(1), second.data() + at, n), 0) << "at " << at;
  }
  EXPECT_EQ(a.Reads, 11);
  EXPECT_EQ(b.Reads, 11);
}

// A read of the second file that fails, or ends early as if the file had
// been shortened, shows at its block after three whole ones; nothing is read
// ahead past it, and a block asked for after it is read then.
TEST_P(BlockReadAheadTest, EndsTheReadingAheadAtAReadThatFallsShort) {
  for (const bool shortRead : {false, true}) {
    SCOPED_TRACE(shortRead ? "short read" : "failed read");
    MemoryFile a(RandomBytes(20 * Block, 3), GetParam());
    MemoryFile b(RandomBytes(20 * Block, 4), GetParam());
    (shortRead ? b.ShortRead : b.FailingRead) = 4;
    BlockReadAhead blocks({&a, &b}, 20 * Block, Block);
    for (int block = 0; block < 3; ++block) {
      blocks.NextBlock();
      ASSERT_EQ(blocks.Got(1), Block);
    }
    blocks.NextBlock();
    EXPECT_EQ(blocks.Got(0), Block);
    EXPECT_EQ(blocks.Got(1), shortRead ? Block / 2 : -1);
    EXPECT_EQ(a.Reads, 4);
    EXPECT_EQ(b.Reads, 4);
    blocks.NextBlock();
    EXPECT_EQ(blocks.Got(1), Block);
    EXPECT_EQ(b.Reads, 5);
  }
}

// A caller that stops early leaves at most a few blocks read for nothing;
// without a thread, nothing is read before it is asked for.
TEST_P(BlockReadAheadTest, ReadsOnlyAFewBlocksAheadOfTheCaller) {
  MemoryFile file(RandomBytes(100 * Block, 5), GetParam());
  {
    BlockReadAhead blocks({&file}, 100 * Block, Block);
    blocks.NextBlock();
    blocks.NextBlock();
  }
  EXPECT_GE(file.Reads, 2);
  EXPECT_LE(file.Reads, GetParam() ? 9 : 2);
}

}  // namespace
}  // namespace tamarack::testing
