#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tamarack {

// An open file of single bytes. Offsets and sizes are signed 64-bit, so files
// of any size the file system allows can be worked; the count of one read or
// write is a block, which a signed 32-bit count holds.
class ByteFile {
 public:
  virtual ~ByteFile() = default;
  // Reads up to count bytes from the current position. Returns the number of
  // bytes read (fewer than asked only at the end of the file), or -1 on error.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Writes count bytes at the current position. Returns the number written,
  // or -1 on error.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual bool Seek(int64_t offset) = 0;
  // Reads up to count bytes at offset, as Seek and then Read do; a host
  // that can leaves the position alone. Returns the number of bytes read
  // (fewer than asked only at the end of the file), or -1 on error.
  virtual int32_t ReadAt(int64_t offset, void* buffer, int32_t count) {
    return Seek(offset) ? Read(buffer, count) : -1;
  }
  // The size in bytes, or -1 when it cannot be read.
  virtual int64_t Size() = 0;
  // Closes the file; later calls fail. Returns false when the close failed.
  virtual bool Close() = 0;
  // Puts the data written so far on the disk (fdatasync). Returns false when
  // that failed: the data may then be lost.
  virtual bool Sync() = 0;

  // What CopyTo did: the bytes read from this file (fewer than asked only at
  // its end, -1 on a read error), and whether every byte read reached the
  // target.
  struct CopyResult {
    int32_t Read = 0;
    bool Written = true;
  };
  // Copies up to count bytes at offset of this file to the target's
  // position, which moves on by the bytes copied. The buffer holds at least
  // count bytes. This reads into the buffer and writes from it; a host that
  // can copy between its files without the round trip does so instead.
  virtual CopyResult CopyTo(int64_t offset, ByteFile& target, uint8_t* buffer, int32_t count) {
    const int32_t n = ReadAt(offset, buffer, count);
    if (n <= 0) return {n, true};
    return {n, target.Write(buffer, n) == n};
  }
};

// A new file that appears under its final name only when it is complete.
// It is written in its final name's folder under a temporary name (or none
// at all), so a stop, a fault or a kill never leaves a partial file under
// the final name, and a file already there stays untouched until Commit.
class OutputFile : public ByteFile {
 public:
  // Syncs the data to the disk, puts the file under its final name, replacing
  // any file of that name, and closes it. Returns false when a step failed:
  // the final name then names what it named before and the new file is gone.
  virtual bool Commit() = 0;
  // Close, or destruction, without Commit discards the new file.
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading and writing; null when that fails.
  virtual std::unique_ptr<ByteFile> OpenExisting(const std::string& path) = 0;
  // Opens an existing file for reading only, so that a file without write
  // permission or on a read-only mount can be read; its writes fail. Null
  // when the open fails.
  virtual std::unique_ptr<ByteFile> OpenReadOnly(const std::string& path) = 0;
  // Starts a new file that Commit puts under the path; null when it cannot
  // be created in the path's folder. Nothing at the path is opened, followed
  // or changed before Commit.
  virtual std::unique_ptr<OutputFile> CreateOutput(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // True when both paths name one and the same file, however they are
  // written (links, "." and ".." included); false when either is missing.
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
  // Deletes for good (never into a trash can).
  virtual bool Delete(const std::string& path) = 0;
  // Bytes available to the user on the file system that holds the path's
  // folder; -1 when the query fails.
  virtual int64_t FreeSpace(const std::string& path) = 0;
};

}  // namespace tamarack
