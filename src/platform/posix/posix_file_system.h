#pragma once

#include "platform/byte_file.h"

namespace tamarack {

// Files and folders of the POSIX host, through open/read/write/lseek.
class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<ByteFile> OpenExisting(const std::string& path) override;
  std::unique_ptr<ByteFile> Create(const std::string& path) override;
  bool Exists(const std::string& path) override;
  bool SameFile(const std::string& a, const std::string& b) override;
  bool Delete(const std::string& path) override;
  int64_t FreeSpace(const std::string& path) override;
};

}  // namespace tamarack
