#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/posix/posix_file_system.h"
#include "support/program_fixture.h"

namespace tamarack::testing {

// A fresh folder under the given folder (the system's temporary folder by
// default), removed with all it holds when the value goes.
class TempDir {
 public:
  TempDir() : TempDir(std::filesystem::temp_directory_path().string()) {}
  explicit TempDir(const std::string& base) {
    std::string pattern = (std::filesystem::path(base) / "tamarack-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool Made() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteRealFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadRealFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

// The whole program on the host's real file system, every other platform
// interface faked, initialised as at window start.
class RealFilesTest : public ProgramOn<PosixFileSystem> {
 protected:
  void SetUp() override { ASSERT_TRUE(temp.Made()) << "no temporary folder"; }

  TempDir temp;
};

}  // namespace tamarack::testing
