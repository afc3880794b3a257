#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

namespace tamarack {
namespace {

class PosixByteFile : public ByteFile {
 public:
  explicit PosixByteFile(int fd) : fd_(fd) {}
  ~PosixByteFile() override { Close(); }

  int32_t Read(void* buffer, int32_t count) override {
    if (fd_ < 0 || count < 0) return -1;
    auto* out = static_cast<char*>(buffer);
    int32_t done = 0;
    while (done < count) {
      const ssize_t n = ::read(fd_, out + done, static_cast<size_t>(count - done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (n == 0) break;
      done += static_cast<int32_t>(n);
    }
    return done;
  }

  int32_t Write(const void* buffer, int32_t count) override {
    if (fd_ < 0 || count < 0) return -1;
    const auto* in = static_cast<const char*>(buffer);
    int32_t done = 0;
    while (done < count) {
      const ssize_t n = ::write(fd_, in + done, static_cast<size_t>(count - done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return done > 0 ? done : -1;
      }
      if (n == 0) break;
      done += static_cast<int32_t>(n);
    }
    return done;
  }

  bool Seek(int32_t offset) override {
    return fd_ >= 0 && offset >= 0 && ::lseek(fd_, offset, SEEK_SET) == offset;
  }

  // Between two files of this host the kernel copies the bytes itself, as
  // cp does, sparing the trip through the buffer. Whatever it leaves undone
  // (a file system that cannot, an error that does not say which file failed,
  // the end of the file) goes the plain way, which tells a read error from a
  // write error and the end of the file from both.
  CopyResult CopyTo(ByteFile& target, uint8_t* buffer, int32_t count) override {
    int32_t done = 0;
#if defined(__linux__)
    auto* posixTarget = dynamic_cast<PosixByteFile*>(&target);
    if (posixTarget != nullptr && fd_ >= 0 && posixTarget->fd_ >= 0) {
      while (done < count) {
        const ssize_t n = ::copy_file_range(fd_, nullptr, posixTarget->fd_, nullptr,
                                            static_cast<size_t>(count - done), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<int32_t>(n);
      }
    }
#endif
    if (done == count) return {done, true};
    const CopyResult rest = ByteFile::CopyTo(target, buffer + done, count - done);
    if (rest.Read < 0) return {-1, rest.Written};
    return {done + rest.Read, rest.Written};
  }

  int64_t Size() override {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
  }

  bool Close() override {
    if (fd_ < 0) return false;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  int fd_;
};

// Only regular files count: a folder or a device is not a file to work on.
bool IsRegularFile(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::unique_ptr<ByteFile> PosixFileSystem::OpenExisting(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (!IsRegularFile(fd)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixByteFile>(fd);
}

std::unique_ptr<ByteFile> PosixFileSystem::Create(const std::string& path) {
  // A symbolic link is not followed: the file created is always the one the
  // path names, never another file somewhere else that would be truncated.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return nullptr;
  if (!IsRegularFile(fd)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixByteFile>(fd);
}

bool PosixFileSystem::Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::SameFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool PosixFileSystem::Delete(const std::string& path) { return ::unlink(path.c_str()) == 0; }

int64_t PosixFileSystem::FreeSpace(const std::string& path) {
  struct statvfs st {};
  if (::statvfs(FolderOf(path).c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

}  // namespace tamarack
