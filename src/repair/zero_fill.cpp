#include "repair/zero_fill.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "analysis/zero_bytes.h"

namespace tamarack {
namespace {

// All ones when the byte is zero, else zero: lets the loop below select
// without a branch, so that the compiler turns it into vector code.
inline uint8_t ZeroMask(uint8_t byte) { return static_cast<uint8_t>(-(byte == 0)); }

bool AnyFillableBytes(const uint8_t* target, const uint8_t* source, size_t count) {
  uint8_t fills = 0;
  for (size_t i = 0; i < count; ++i) fills |= static_cast<uint8_t>(source[i] & ZeroMask(target[i]));
  return fills != 0;
}

inline bool Fillable(const uint8_t* target, const uint8_t* source, size_t i) {
  return target[i] == 0 && source[i] != 0;
}

size_t ZeroBytesAt(const uint8_t* data, size_t count) {
  return static_cast<size_t>(LeadingZeroBytes(data, static_cast<int32_t>(count)));
}

size_t ZeroBytesBefore(const uint8_t* data, size_t count) {
  return static_cast<size_t>(TrailingZeroBytes(data, static_cast<int32_t>(count)));
}

// Stretches and chunks without a fill, by far the most, are passed over by
// the vector test; only chunks that hold a fill are walked byte by byte.
constexpr size_t Stretch = 4096;
constexpr size_t Chunk = 64;

}  // namespace

int64_t ForEachFillRun(std::span<const uint8_t> target, std::span<const uint8_t> source,
                       const std::function<bool(size_t offset, size_t length)>& visit) {
  assert(source.size() >= target.size());
  const uint8_t* t = target.data();
  const uint8_t* s = source.data();
  const size_t count = target.size();
  int64_t filled = 0;
  size_t i = 0;
  while (i < count) {
    // Where the two agree, as two copies of one file mostly do, memcmp
    // (vector code chosen for the processor) tells it at a fraction of the
    // cost of the test for a byte to fill.
    if (i % Stretch == 0 && count - i >= Stretch &&
        (std::memcmp(t + i, s + i, Stretch) == 0 || !AnyFillableBytes(t + i, s + i, Stretch))) {
      i += Stretch;
      continue;
    }
    const size_t chunkEnd = std::min(count, (i / Chunk + 1) * Chunk);
    if (!AnyFillableBytes(t + i, s + i, chunkEnd - i)) {
      i = chunkEnd;
      continue;
    }
    while (i < chunkEnd && !Fillable(t, s, i)) ++i;
    if (i == chunkEnd) continue;
    // The run goes on over the zero bytes of the target that face zeros,
    // up to its last byte to fill: a zero stays a zero there, and one run
    // costs one write instead of one for each zero byte of the source.
    // Both ends are found a stretch at a time: a hole in the target is
    // often a whole block long.
    const size_t start = i;
    const size_t stop = start + 1 + ZeroBytesAt(t + start + 1, count - start - 1);
    const size_t end = stop - ZeroBytesBefore(s + start, stop - start);
    i = end;
    filled += static_cast<int64_t>(end - start);
    if (!visit(start, end - start)) break;
  }
  return filled;
}

bool FillZeroBytes(std::span<uint8_t> target, std::span<const uint8_t> source) {
  uint8_t* out = target.data();
  const uint8_t* in = source.data();
  return ForEachFillRun(target, source, [&](size_t offset, size_t length) {
           std::memcpy(out + offset, in + offset, length);
           return true;
         }) > 0;
}

void TakeZeroBytesFrom(std::span<uint8_t> target, std::span<const uint8_t> source) {
  assert(source.size() >= target.size());
  uint8_t* t = target.data();
  const uint8_t* s = source.data();
  for (size_t i = 0; i < target.size(); ++i) t[i] |= static_cast<uint8_t>(s[i] & ZeroMask(t[i]));
}

void CountHeldBytes(std::span<const uint8_t> a, std::span<const uint8_t> b, HeldBytes& counts) {
  assert(a.size() == b.size());
  // Counted in chunks of 32-bit sums, which the compiler turns into vector
  // code; a chunk is far too short for them to overflow.
  constexpr size_t Step = 4096;
  for (size_t start = 0; start < a.size(); start += Step) {
    const size_t end = std::min(a.size(), start + Step);
    uint32_t both = 0;
    uint32_t differing = 0;
    for (size_t i = start; i < end; ++i) {
      const uint32_t held = static_cast<uint32_t>(a[i] != 0) & static_cast<uint32_t>(b[i] != 0);
      both += held;
      differing += held & static_cast<uint32_t>(a[i] != b[i]);
    }
    counts.BothHeld += both;
    counts.Differing += differing;
  }
}

SpanComparison CompareSpans(std::span<const uint8_t> target, std::span<const uint8_t> source) {
  assert(source.size() >= target.size());
  SpanComparison result;
  for (size_t start = 0; start < target.size(); start += Stretch) {
    const size_t n = std::min(target.size() - start, Stretch);
    const uint8_t* t = target.data() + start;
    const uint8_t* s = source.data() + start;
    // Two copies of one file mostly agree byte for byte: where they do,
    // nothing fills and nothing differs, and memcmp (vector code chosen for
    // the processor) tells it at half the cost of the test below.
    if (std::memcmp(t, s, n) == 0) continue;
    uint8_t fills = 0;
    uint8_t differs = 0;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t targetZero = ZeroMask(t[i]);
      fills |= static_cast<uint8_t>(s[i] & targetZero);
      differs |= static_cast<uint8_t>((t[i] ^ s[i]) & ~(targetZero | ZeroMask(s[i])));
    }
    result.Fills = result.Fills || fills != 0;
    if (differs != 0) {
      HeldBytes counts;
      CountHeldBytes(std::span<const uint8_t>(t, n), std::span<const uint8_t>(s, n), counts);
      result.Differing += counts.Differing;
    }
  }
  return result;
}

}  // namespace tamarack
