#include "analysis/zero_bytes.h"

#include <bit>
#include <cstring>

// On x86-64 the two searches are built twice, for the baseline processor and
// for one with AVX2, and the loader picks the build the processor runs: the
// stretch test then reads 32 bytes at a time, which takes a third off the
// time the scan spends on long runs of zeros. ThreadSanitizer instruments
// the loader's pick, which runs before it is ready, so its builds have one.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TAMARACK_THREAD_SANITIZER
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define TAMARACK_THREAD_SANITIZER
#endif
#if defined(__x86_64__) && defined(__GNUC__) && !defined(TAMARACK_THREAD_SANITIZER)
#define TAMARACK_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define TAMARACK_WIDE_VECTORS
#endif

namespace tamarack {
namespace {

constexpr int32_t WordBytes = 8;
// Stretches tested at once: long enough for the compiler to turn the test
// into wide vector loads, short enough that the first non-zero byte is
// found soon after.
constexpr int32_t StretchBytes = 256;

uint64_t LoadWord(const uint8_t* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

bool StretchIsZero(const uint8_t* p) {
  uint64_t any = 0;
  for (int32_t k = 0; k < StretchBytes; k += WordBytes) any |= LoadWord(p + k);
  return any == 0;
}

// The offset in the word of its non-zero byte with the lowest address.
int FirstNonZeroByte(uint64_t word) {
  if constexpr (std::endian::native == std::endian::little) {
    return std::countr_zero(word) / 8;
  } else {
    return std::countl_zero(word) / 8;
  }
}

// The offset in the word of its non-zero byte with the highest address.
int LastNonZeroByte(uint64_t word) {
  if constexpr (std::endian::native == std::endian::little) {
    return 7 - std::countl_zero(word) / 8;
  } else {
    return 7 - std::countr_zero(word) / 8;
  }
}

}  // namespace

TAMARACK_WIDE_VECTORS int32_t LeadingZeroBytes(const uint8_t* data, int32_t count) {
  int32_t i = 0;
  while (count - i >= StretchBytes && StretchIsZero(data + i)) i += StretchBytes;
  while (count - i >= WordBytes) {
    const uint64_t word = LoadWord(data + i);
    if (word != 0) return i + FirstNonZeroByte(word);
    i += WordBytes;
  }
  while (i < count && data[i] == 0) ++i;
  return i;
}

TAMARACK_WIDE_VECTORS int32_t TrailingZeroBytes(const uint8_t* data, int32_t count) {
  int32_t end = count;
  while (end >= StretchBytes && StretchIsZero(data + end - StretchBytes)) end -= StretchBytes;
  while (end >= WordBytes) {
    const uint64_t word = LoadWord(data + end - WordBytes);
    if (word != 0) return count - (end - WordBytes + LastNonZeroByte(word) + 1);
    end -= WordBytes;
  }
  while (end > 0 && data[end - 1] == 0) --end;
  return count - end;
}

}  // namespace tamarack
