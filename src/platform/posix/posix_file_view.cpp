#include "platform/posix/posix_file_view.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace tamarack {
namespace {

// The address ranges of the views alive, for the bus error handler. It runs
// on whichever thread touched a lost page, so the ranges are lock-free
// atomics, which a signal handler may read.
struct GuardedRange {
  std::atomic<bool> Taken{false};
  std::atomic<uintptr_t> Begin{0};
  std::atomic<uintptr_t> End{0};
  std::atomic<bool> Faulted{false};
};
static_assert(std::atomic<uintptr_t>::is_always_lock_free &&
              std::atomic<bool>::is_always_lock_free);

// More views at once than the program ever has; past them, none is made.
std::array<GuardedRange, 16> guardedRanges;
struct sigaction previousBusAction {};
uintptr_t pageSize = 0;

void OnBusError(int signal, siginfo_t* info, void* context) {
  (void)signal;
  (void)context;
  const int savedErrno = errno;
  const auto at = reinterpret_cast<uintptr_t>(info->si_addr);
  for (GuardedRange& range : guardedRanges) {
    if (at < range.Begin.load() || at >= range.End.load()) continue;
    // The page of zeros takes the lost page's place in the view; returning
    // then repeats the read, which now finds it.
    void* page = reinterpret_cast<void*>(at - at % pageSize);
    if (::mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
        MAP_FAILED) {
      break;
    }
    range.Faulted.store(true);
    errno = savedErrno;
    return;
  }
  // Not a view's page: the handler from before takes the repeated fault, and
  // the default one ends the process as it would have without views.
  ::sigaction(SIGBUS, &previousBusAction, nullptr);
  errno = savedErrno;
}

bool GuardInstalled() {
  static std::once_flag once;
  static bool installed = false;
  std::call_once(once, [] {
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page <= 0) return;
    pageSize = static_cast<uintptr_t>(page);
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    installed = ::sigaction(SIGBUS, &action, &previousBusAction) == 0;
  });
  return installed;
}

class MappedView : public FileView {
 public:
  MappedView(void* mapping, size_t length, size_t skip, GuardedRange& range)
      : mapping_(mapping), length_(length), skip_(skip), range_(range) {}
  ~MappedView() override {
    range_.Begin.store(0);
    range_.End.store(0);
    ::munmap(mapping_, length_);
    range_.Taken.store(false);
  }
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;

  const uint8_t* Bytes() const override { return static_cast<const uint8_t*>(mapping_) + skip_; }
  bool Intact() const override { return !range_.Faulted.load(); }

 private:
  void* mapping_;
  size_t length_;
  size_t skip_;  // from the page boundary the mapping starts at to the offset asked for
  GuardedRange& range_;
};

}  // namespace

std::unique_ptr<FileView> MapFileView(int fd, int64_t offset, int64_t count) {
  if (fd < 0 || offset < 0 || count <= 0 || !GuardInstalled()) return nullptr;
  GuardedRange* range = nullptr;
  for (GuardedRange& candidate : guardedRanges) {
    bool expected = false;
    if (candidate.Taken.compare_exchange_strong(expected, true)) {
      range = &candidate;
      break;
    }
  }
  if (range == nullptr) return nullptr;
  const auto skip = static_cast<size_t>(static_cast<uintptr_t>(offset) % pageSize);
  const size_t length = skip + static_cast<size_t>(count);
  void* mapping = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd,
                         static_cast<off_t>(offset - static_cast<int64_t>(skip)));
  if (mapping == MAP_FAILED) {
    range->Taken.store(false);
    return nullptr;
  }
  // Read front to back: the kernel reads ahead of the reading further, and
  // keeps the pages read behind it less.
  ::madvise(mapping, length, MADV_SEQUENTIAL);
  range->Faulted.store(false);
  range->Begin.store(reinterpret_cast<uintptr_t>(mapping));
  range->End.store(reinterpret_cast<uintptr_t>(mapping) + length);
  return std::make_unique<MappedView>(mapping, length, skip, *range);
}

}  // namespace tamarack
