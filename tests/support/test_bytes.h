#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace tamarack::testing {

// Random bytes hold no zero run anywhere near the 1024 bytes of an error.
inline std::vector<uint8_t> RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// The bytes with zero runs (offset, length) as an incomplete download
// leaves them.
inline std::vector<uint8_t> Damaged(std::vector<uint8_t> bytes,
                                    const std::vector<std::pair<size_t, size_t>>& runs) {
  for (auto [offset, length] : runs) {
    std::fill(bytes.begin() + offset, bytes.begin() + offset + length, 0);
  }
  return bytes;
}

}  // namespace tamarack::testing
