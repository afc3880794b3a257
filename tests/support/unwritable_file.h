#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace tamarack::testing {

// Takes the write permission from a file for as long as the value lives.
// The superuser writes whatever the permission bits say, so for it the file
// is made immutable as well, where the file system and the capabilities
// allow that; Made() tells whether the file really cannot be written.
class UnwritableFile {
 public:
  explicit UnwritableFile(std::string path) : path_(std::move(path)) {
    made_ = ::chmod(path_.c_str(), 0444) == 0;
    if (made_ && ::geteuid() == 0) immutable_ = made_ = SetImmutable(true);
  }
  ~UnwritableFile() {
    if (immutable_) SetImmutable(false);
    ::chmod(path_.c_str(), 0644);
  }
  UnwritableFile(const UnwritableFile&) = delete;
  UnwritableFile& operator=(const UnwritableFile&) = delete;

  bool Made() const { return made_; }
  static constexpr const char* WhyNot =
      "running as the superuser, whom permission bits do not stop, and the file system or the "
      "missing capability refuses the immutable attribute";

 private:
  bool SetImmutable(bool on) {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  }

  std::string path_;
  bool made_ = false;
  bool immutable_ = false;
};

}  // namespace tamarack::testing
