#pragma once

#include "platform/clock.h"

namespace tamarack {

// Milliseconds of std::chrono::steady_clock, cut to 32 bits.
class SteadyClock : public Clock {
 public:
  uint32_t Milliseconds() override;
};

}  // namespace tamarack
