#include "repair/zero_fill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
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

// Each stretch of zero target bytes gives one run, from its first to its
// last byte that the source fills, whatever its length and alignment: holes
// of up to several stretches and source bytes that are zero here and there.
TEST(ForEachFillRun, OneRunPerHoleFromItsFirstToItsLastFill) {
  std::mt19937 random(11);
  constexpr size_t Size = 262144;
  for (int round = 0; round < 20; ++round) {
    std::vector<uint8_t> target(Size);
    std::vector<uint8_t> source(Size);
    for (size_t i = 0; i < Size; ++i) {
      target[i] = static_cast<uint8_t>(1 + random() % 255);
      source[i] = random() % 8 == 0 ? 0 : static_cast<uint8_t>(1 + random() % 255);
    }
    for (int hole = 0; hole < 40; ++hole) {
      const size_t length = 1 + random() % (round < 10 ? 70 : 20000);
      const size_t at = random() % (Size - length);
      std::fill_n(target.begin() + static_cast<std::ptrdiff_t>(at), length, uint8_t{0});
      if (hole % 5 == 0) {  // a source that is zero at the hole's ends
        source[at] = 0;
        source[at + length - 1] = 0;
      }
    }
    std::vector<std::pair<size_t, size_t>> expected;
    for (size_t i = 0; i < Size;) {
      if (target[i] != 0) {
        ++i;
        continue;
      }
      size_t end = i;
      while (end < Size && target[end] == 0) ++end;
      size_t first = i;
      while (first < end && source[first] == 0) ++first;
      size_t last = end;
      while (last > first && source[last - 1] == 0) --last;
      if (first < last) expected.emplace_back(first, last - first);
      i = end;
    }
    std::vector<std::pair<size_t, size_t>> runs;
    const int64_t filled = ForEachFillRun(target, source, [&](size_t offset, size_t length) {
      runs.emplace_back(offset, length);
      return true;
    });
    ASSERT_EQ(runs, expected) << "round " << round;
    int64_t total = 0;
    for (const auto& run : expected) total += static_cast<int64_t>(run.second);
    EXPECT_EQ(filled, total);
  }
}

}  // namespace
}  // namespace tamarack
