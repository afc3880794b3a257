#include "repair/zero_fill.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace tamarack {
namespace {

// The plain byte-by-byte rule that the fast kernel must match.
bool PlainFill(std::vector<uint8_t>& target, const std::vector<uint8_t>& source, size_t from,
               size_t count) {
  bool changed = false;
  for (size_t i = from; i < from + count; ++i) {
    if (target[i] == 0 && source[i] != 0) {
      target[i] = source[i];
      changed = true;
    }
  }
  return changed;
}

// Bytes that are zero about half the time, so that every pairing occurs.
std::vector<uint8_t> SparseBytes(std::mt19937& random, size_t count) {
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = random() % 2 ? 0 : static_cast<uint8_t>(random() % 256);
  return bytes;
}

TEST(FillZeroBytes, MatchesPlainRuleOverEveryLengthAndAlignment) {
  std::mt19937 random(7);
  for (size_t from = 0; from < 17; ++from) {
    for (size_t count = 0; count <= 80; ++count) {
      std::vector<uint8_t> target = SparseBytes(random, from + count + 3);
      const std::vector<uint8_t> source = SparseBytes(random, target.size());
      std::vector<uint8_t> expected = target;
      const bool expectedChange = PlainFill(expected, source, from, count);
      const bool changed = FillZeroBytes(std::span<uint8_t>(target.data() + from, count),
                                         std::span<const uint8_t>(source.data() + from, count));
      ASSERT_EQ(changed, expectedChange) << "from " << from << " count " << count;
      // Bytes outside the span are untouched as well.
      ASSERT_EQ(target, expected) << "from " << from << " count " << count;
    }
  }
}

TEST(FillZeroBytes, SingleFillAtEndOfLargeBlockIsSeen) {
  std::vector<uint8_t> target(262144, 1);
  std::vector<uint8_t> source(262144, 2);
  target.back() = 0;
  EXPECT_TRUE(FillZeroBytes(target, source));
  EXPECT_EQ(target.back(), 2);
  EXPECT_EQ(target.front(), 1);
}

}  // namespace
}  // namespace tamarack
