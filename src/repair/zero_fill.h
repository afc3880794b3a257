#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace tamarack {

// The one rule of both repairs: a byte of the file is filled when it is zero
// and the byte at the same offset of the source (the reference, the patch)
// is not. A zero facing a zero stays zero and a non-zero byte is never
// touched. The source must be at least as long as the target throughout.

// Calls visit(offset, length) for each run of the target to be copied from
// the source, in order; stops early when visit returns false. A run holds
// only zero bytes of the target, begins and ends with a byte to fill, and
// is as long as the target's zero bytes allow: a zero byte facing a zero
// inside it is copied too, which leaves it as it was. Returns the number
// of bytes in the runs visited.
int64_t ForEachFillRun(std::span<const uint8_t> target, std::span<const uint8_t> source,
                       const std::function<bool(size_t offset, size_t length)>& visit);

// Fills the target in memory. Returns true when a byte changed.
bool FillZeroBytes(std::span<uint8_t> target, std::span<const uint8_t> source);

// Fills the target in memory as FillZeroBytes does, without looking for
// runs: the fast way to merge several sources into one, each filling the
// zero bytes that the earlier ones left.
void TakeZeroBytesFrom(std::span<uint8_t> target, std::span<const uint8_t> source);

// How far two copies of a file agree where both hold data: the bytes that
// neither holds as zero, and of those the ones that differ. A zero byte is
// missing data, so it neither agrees nor differs.
struct HeldBytes {
  int64_t BothHeld = 0;
  int64_t Differing = 0;
};

// Adds the bytes of the two spans, which are equally long, to the counts.
void CountHeldBytes(std::span<const uint8_t> a, std::span<const uint8_t> b, HeldBytes& counts);

// Whether a byte of the target would be filled, and how many bytes both
// hold differently (HeldBytes::Differing), in one pass; stretches where the
// spans agree byte for byte, as copies of one file mostly do, cost one
// memcmp.
struct SpanComparison {
  bool Fills = false;
  int64_t Differing = 0;
};
SpanComparison CompareSpans(std::span<const uint8_t> target, std::span<const uint8_t> source);

}  // namespace tamarack
