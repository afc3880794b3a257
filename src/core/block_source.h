#pragma once

#include <cstdint>
#include <span>

#include "core/operation_control.h"
#include "platform/aligned_buffer.h"
#include "platform/byte_file.h"

namespace tamarack {

// The one way every operation reads a file: whole blocks at their offsets,
// never past the size the file had when it was opened. A read that fails
// ends the running operation with the read message for the file's role; one
// that delivers less than asked, within that size, means the file has become
// shorter since (another program cut it short or rewrote it) and ends it
// with the changed-size message. A pass that reached the end checks with
// SizeHeld that the file has not grown or shrunk meanwhile. How the bytes
// come is the file's own (an aligned pread on this host, memory in the
// tests), so the tests run this same loop.
class BlockSource {
 public:
  // The file had size bytes when it was opened; blocks in order hold
  // blockSize bytes, the last one what is left.
  BlockSource(OperationControl& control, ByteFile& file, FileRole role, int64_t size,
              int32_t blockSize);

  int64_t Size() const { return size_; }
  ByteFile& File() { return file_; }

  // Reads the count bytes at offset, which lie within the size, into the
  // buffer. False, with the message shown, when they did not all come.
  bool ReadAt(int64_t offset, uint8_t* buffer, int32_t count);

  // The next block in order, from Position on, read into the source's own
  // page-aligned buffer, which the caller may change until the next call.
  // Empty, with the message shown, when it did not come whole.
  std::span<uint8_t> NextBlock();
  // Copies the next block in order to the target's position instead of
  // reading it; a host that can copies inside the kernel, and leaves a hole
  // where the block lies in one. Count is 0, with the message shown, when
  // the block did not come whole; Written false when not all of it reached
  // the target.
  struct Copy {
    int32_t Count = 0;
    bool Written = true;
  };
  Copy CopyNextBlock(ByteFile& target);
  // The bytes of the blocks taken in order so far; the next block starts here.
  int64_t Position() const { return position_; }
  bool AtEnd() const { return position_ >= size_; }

  // True when the file still has the size it had when it was opened;
  // otherwise the changed-size message, or the read message when the size
  // cannot be read, ends the operation.
  bool SizeHeld();

 private:
  int32_t NextCount() const;
  // Applies the rule to a read that asked count bytes and got got.
  bool Whole(int32_t got, int32_t count);

  OperationControl& control_;
  ByteFile& file_;
  FileRole role_;
  int64_t size_;
  int32_t blockSize_;
  int64_t position_ = 0;
  AlignedBuffer buffer_;
};

}  // namespace tamarack
