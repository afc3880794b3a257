#pragma once

#include <cstdint>

namespace tamarack {

// A stretch of a file's bytes: the 0-based offset of its first byte and its
// length in bytes. It ends before End().
struct Extent {
  int64_t Offset = 0;
  int64_t Length = 0;

  int64_t End() const { return Offset + Length; }

  friend bool operator==(const Extent&, const Extent&) = default;
};

}  // namespace tamarack
