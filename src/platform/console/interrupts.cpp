#include "platform/console/interrupts.h"

#include <signal.h>

#include <atomic>

namespace tamarack {
namespace {

// A signal handler can reach the program only through an object of static
// storage; this flag is the one such object, written by the handler and
// read through SigintInterrupts.
std::atomic<bool> sigintSeen{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag must be safe in a handler");

extern "C" void OnSigint(int) { sigintSeen.store(true); }

}  // namespace

void SigintInterrupts::Install() {
  struct sigaction action {};
  action.sa_handler = OnSigint;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool SigintInterrupts::TakeInterrupt() { return sigintSeen.exchange(false); }

}  // namespace tamarack
