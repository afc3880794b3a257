#pragma once

#include <cstdint>

namespace tamarack {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds of a steady clock; the count wraps at 2^32.
  virtual uint32_t Milliseconds() = 0;
};

}  // namespace tamarack
