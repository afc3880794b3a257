#include "platform/posix/steady_clock.h"

#include <chrono>

namespace tamarack {

uint32_t SteadyClock::Milliseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace tamarack
