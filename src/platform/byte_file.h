#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tamarack {

// An open file of single bytes. Offsets and counts are signed 32-bit, as
// every size of the program is.
class ByteFile {
 public:
  virtual ~ByteFile() = default;
  // Reads up to count bytes from the current position. Returns the number of
  // bytes read (fewer than asked only at the end of the file), or -1 on error.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Writes count bytes at the current position. Returns the number written,
  // or -1 on error.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual bool Seek(int32_t offset) = 0;
  // The size in bytes, or -1 when it cannot be read.
  virtual int64_t Size() = 0;
  // Closes the file; later calls fail. Returns false when the close failed.
  virtual bool Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading and writing; null when that fails.
  virtual std::unique_ptr<ByteFile> OpenExisting(const std::string& path) = 0;
  // Creates a file, or truncates an existing one, for reading and writing.
  virtual std::unique_ptr<ByteFile> Create(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Deletes for good (never into a trash can).
  virtual bool Delete(const std::string& path) = 0;
  // Bytes available to the user on the file system that holds the path's
  // folder; -1 when the query fails.
  virtual int64_t FreeSpace(const std::string& path) = 0;
};

}  // namespace tamarack
