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
#include "support/unwritable_file.h"

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

// The whole program on the host's real file system, every other platform
// interface faked, initialised as at window start.
class RealFilesTest : public ProgramOn<PosixFileSystem> {
 protected:
  void SetUp() override { ASSERT_TRUE(temp.Made()) << "no temporary folder"; }

  TempDir temp;
};

}  // namespace tamarack::testing
