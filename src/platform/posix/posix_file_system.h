#pragma once

#include "platform/byte_file.h"

namespace tamarack {

// Files and folders of the POSIX host, through open/read/write/lseek.
class PosixFileSystem : public FileSystem {
 public:
  // How output files are made before they take their name: without a name
  // (O_TMPFILE) where the file system allows it, else under a hidden
  // temporary name; or always under a hidden name.
  enum class OutputNaming { UnnamedFirst, HiddenName };
  explicit PosixFileSystem(OutputNaming naming = OutputNaming::UnnamedFirst) : naming_(naming) {}

  std::unique_ptr<ByteFile> OpenExisting(const std::string& path) override;
  std::unique_ptr<ByteFile> OpenReadOnly(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateOutput(const std::string& path) override;
  bool Exists(const std::string& path) override;
  bool NameTooLong(const std::string& path) override;
  bool SameFile(const std::string& a, const std::string& b) override;
  bool Delete(const std::string& path) override;
  int64_t FreeSpace(const std::string& path) override;

 private:
  OutputNaming naming_;
};

}  // namespace tamarack
