#pragma once

#include <cerrno>

namespace tamarack {

// Makes a system call again for as long as a signal interrupts it (-1 with
// errno EINTR) and gives its last result: a signal that the program handles
// (a Ctrl-C, a stop request) must never fail a call that did nothing wrong.
// Not for close, which frees the descriptor even when interrupted.
template <typename Call>
auto RetryInterrupted(Call call) {
  auto result = call();
  while (result == -1 && errno == EINTR) result = call();
  return result;
}

}  // namespace tamarack
