#include "repair/zero_fill.h"

#include <cassert>
#include <cstddef>

namespace tamarack {
namespace {

// All ones when the byte is zero, else zero: lets the loops below select
// without a branch, so that the compiler turns them into vector code.
inline uint8_t ZeroMask(uint8_t byte) { return static_cast<uint8_t>(-(byte == 0)); }

// True when a zero byte of the target faces a non-zero byte of the source.
bool AnyFillable(const uint8_t* target, const uint8_t* source, size_t count) {
  uint8_t fills = 0;
  for (size_t i = 0; i < count; ++i) fills |= static_cast<uint8_t>(source[i] & ZeroMask(target[i]));
  return fills != 0;
}

}  // namespace

// Most spans have nothing to fill. A pass that only loads runs about half
// again as fast as one that also stores, so the span is checked first and
// rewritten only when a byte will change.
bool FillZeroBytes(std::span<uint8_t> target, std::span<const uint8_t> source) {
  assert(source.size() >= target.size());
  uint8_t* out = target.data();
  const uint8_t* in = source.data();
  const size_t count = target.size();
  if (!AnyFillable(out, in, count)) return false;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t t = out[i];
    out[i] = static_cast<uint8_t>(t | (in[i] & ZeroMask(t)));
  }
  return true;
}

}  // namespace tamarack
