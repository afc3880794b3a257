#include "platform/posix/posix_file_view.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <mutex>

namespace tamarack {
namespace {

// The look under way on this thread: the bytes of its view, and where to
// jump when one of them cannot be read.
struct Escape {
  sigjmp_buf Jump;
  uintptr_t Begin = 0;
  uintptr_t End = 0;
};
// Set and read only by its own thread, the handler included, which runs on
// the thread that touched the lost page.
thread_local Escape* escape = nullptr;

struct sigaction previousBusAction {};

void OnBusError(int signal, siginfo_t* info, void* context) {
  (void)signal;
  (void)context;
  const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
  // siglongjmp leaves the handler as a return would; the look it leaves
  // reads only the view.
  if (escape != nullptr && at >= escape->Begin && at < escape->End) siglongjmp(escape->Jump, 1);
  // Not a view's page: the handler from before takes the repeated fault, and
  // the default one ends the process as it would have without views.
  ::sigaction(SIGBUS, &previousBusAction, nullptr);
}

bool GuardInstalled() {
  static std::once_flag once;
  static bool installed = false;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    // Not blocked while handled: the jump out does not restore the signal
    // mask, which would otherwise keep the signal blocked on that thread.
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    installed = ::sigaction(SIGBUS, &action, &previousBusAction) == 0;
  });
  return installed;
}

class MappedView : public FileView {
 public:
  MappedView(void* mapping, size_t length, size_t skip)
      : mapping_(mapping), length_(length), skip_(skip) {}
  ~MappedView() override { ::munmap(mapping_, length_); }
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;

  const uint8_t* Bytes() const override { return static_cast<const uint8_t*>(mapping_) + skip_; }

  bool Look(void (*look)(void*), void* context) override {
    Escape here;
    here.Begin = reinterpret_cast<uintptr_t>(mapping_);
    here.End = here.Begin + length_;
    Escape* const outer = escape;
    // The signal mask is not saved: the handler leaves it as it found it.
    if (sigsetjmp(here.Jump, 0) != 0) {
      escape = outer;
      return false;
    }
    escape = &here;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    look(context);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    escape = outer;
    return true;
  }

 private:
  void* mapping_;
  size_t length_;
  size_t skip_;  // from the page boundary the mapping starts at to the offset asked for
};

}  // namespace

std::unique_ptr<FileView> MapFileView(int fd, int64_t offset, int64_t count) {
  if (fd < 0 || offset < 0 || count <= 0 || !GuardInstalled()) return nullptr;
  const long page = ::sysconf(_SC_PAGESIZE);
  if (page <= 0) return nullptr;
  const auto skip = static_cast<size_t>(offset % page);
  const size_t length = skip + static_cast<size_t>(count);
  void* mapping = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd,
                         static_cast<off_t>(offset - static_cast<int64_t>(skip)));
  if (mapping == MAP_FAILED) return nullptr;
  // Read front to back: the kernel reads ahead of the reading further, and
  // keeps the pages read behind it less.
  ::madvise(mapping, length, MADV_SEQUENTIAL);
  return std::make_unique<MappedView>(mapping, length, skip);
}

}  // namespace tamarack
