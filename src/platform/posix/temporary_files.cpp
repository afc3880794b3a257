#include "platform/posix/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/posix/retry_interrupted.h"

namespace tamarack {
namespace {

constexpr const char* Prefix = ".tamarack-";
constexpr const char* Suffix = ".tmp";

// Reads a run of 1 to 18 digits from the text at position at; -1 when there
// is none.
long long DigitsAt(const std::string& text, size_t& at) {
  long long value = 0;
  const size_t start = at;
  while (at < text.size() && at - start < 18 && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + (text[at] - '0');
    ++at;
  }
  return at > start ? value : -1;
}

// True while the process may still live: the kernel knows it, or refuses to
// say.
bool ProcessExists(long long process) {
  return ::kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
}

// Removes the temporary of the open folder when no process holds its lock.
// The lock is held while the name is removed, and the name must still be
// the file that was locked.
void RemoveIfUnowned(int folder, const char* name) {
  const int fd = RetryInterrupted([&] {
    return ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  });
  if (fd < 0) return;
  struct stat opened {};
  struct stat named {};
  if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
      RetryInterrupted([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) == 0 &&
      ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
      named.st_ino == opened.st_ino) {
    ::unlinkat(folder, name, 0);
  }
  ::close(fd);
}

}  // namespace

std::string NextTemporaryPath(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  const std::string name =
      std::string(Prefix) + std::to_string(::getpid()) + "-" + std::to_string(counter++) + Suffix;
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool IsTemporaryName(const std::string& name, long long& process) {
  const std::string prefix = Prefix;
  const std::string suffix = Suffix;
  if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0) return false;
  size_t at = prefix.size();
  const long long owner = DigitsAt(name, at);
  if (owner <= 0 || at >= name.size() || name[at] != '-') return false;
  ++at;
  if (DigitsAt(name, at) < 0 || name.compare(at, std::string::npos, suffix) != 0) return false;
  process = owner;
  return true;
}

bool LockTemporary(int fd) {
  return RetryInterrupted([fd] { return ::flock(fd, LOCK_EX | LOCK_NB); }) == 0 ||
         errno != EWOULDBLOCK;
}

void RemoveStaleTemporaries(const std::string& folder) {
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  const long long self = ::getpid();
  while (const dirent* entry = ::readdir(listing)) {
    long long process = 0;
    if (!IsTemporaryName(entry->d_name, process) || process == self) continue;
    if (ProcessExists(process)) continue;
    RemoveIfUnowned(::dirfd(listing), entry->d_name);
  }
  ::closedir(listing);
}

}  // namespace tamarack
