#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/byte_file.h"

namespace tamarack::testing {

// A file system that hands every call to another one: a test derives from it
// and overrides only the calls it changes.
class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}

  std::unique_ptr<ByteFile> OpenExisting(const std::string& path) override {
    return inner_.OpenExisting(path);
  }
  std::unique_ptr<ByteFile> OpenReadOnly(const std::string& path) override {
    return inner_.OpenReadOnly(path);
  }
  std::unique_ptr<OutputFile> CreateOutput(const std::string& path) override {
    return inner_.CreateOutput(path);
  }
  bool Exists(const std::string& path) override { return inner_.Exists(path); }
  bool NameTooLong(const std::string& path) override { return inner_.NameTooLong(path); }
  bool SameFile(const std::string& a, const std::string& b) override {
    return inner_.SameFile(a, b);
  }
  bool Delete(const std::string& path) override { return inner_.Delete(path); }
  int64_t FreeSpace(const std::string& path) override { return inner_.FreeSpace(path); }

 private:
  FileSystem& inner_;
};

}  // namespace tamarack::testing
