#include "platform/console/interrupts.h"

#include <signal.h>

#include <atomic>

namespace tamarack {
namespace {

// A signal handler can reach the program only through objects of static
// storage; these flags are the only such objects, written by the handlers
// and read through SignalInterrupts.
std::atomic<bool> sigintSeen{false};
std::atomic<bool> terminationSeen{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flags must be safe in a handler");

extern "C" void OnSigint(int) { sigintSeen.store(true); }
extern "C" void OnTermination(int) { terminationSeen.store(true); }

void Handle(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal, &action, nullptr);
}

}  // namespace

void SignalInterrupts::Install() {
  Handle(SIGINT, OnSigint);
  Handle(SIGTERM, OnTermination);
  Handle(SIGHUP, OnTermination);
  signal(SIGPIPE, SIG_IGN);
}

bool SignalInterrupts::TakeInterrupt() { return sigintSeen.exchange(false); }

bool SignalInterrupts::TerminationRequested() { return terminationSeen.load(); }

bool SignalInterrupts::Pending() { return sigintSeen.load() || terminationSeen.load(); }

}  // namespace tamarack
