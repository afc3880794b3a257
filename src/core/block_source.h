#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "core/block_pool.h"
#include "core/operation_control.h"
#include "platform/aligned_buffer.h"
#include "platform/byte_file.h"
#include "platform/file_view.h"

namespace tamarack {

// The block in which every operation reads and writes its files, the scan
// as well as the copies and merges; the busy flag is tested after each one.
constexpr int32_t FileBlockSize = 262144;

// The one way every operation reads a file: whole blocks at their offsets,
// never past the size the file had when it was opened. A read that fails
// ends the running operation with the read message for the file's role; one
// that delivers less than asked, within that size, means the file has become
// shorter since (another program cut it short or rewrote it) and ends it
// with the changed-size message. A pass that reached the end checks with
// SizeHeld that the file has not grown or shrunk meanwhile. How the bytes
// come is the file's own (an aligned pread on this host, memory in the
// tests), so the tests run this same loop.
//
// A caller that only looks at the blocks in order may have them shown in
// place where the host can show the file in memory: no byte is copied, and
// only those looked at reach the processor. Bytes lost under such a view
// (the file cut short meanwhile) end the look at them with the message.
class BlockSource {
 public:
  enum class Access { Read, InPlace };
  // The file had size bytes when it was opened; blocks in order hold
  // blockSize bytes, the last one what is left.
  BlockSource(OperationControl& control, ByteFile& file, FileRole role, int64_t size,
              int32_t blockSize, Access access = Access::Read);

  int64_t Size() const { return size_; }
  int32_t BlockSize() const { return blockSize_; }
  ByteFile& File() { return file_; }

  // Reads the count bytes at offset, which lie within the size, into the
  // buffer. False, with the message shown, when they did not all come.
  bool ReadAt(int64_t offset, uint8_t* buffer, int32_t count);
  // Reads as ReadAt does but shows nothing, so that another thread may read
  // beside the operation's: what the file delivered, the count when it all
  // came, for ShowIncompleteRead on the operation's thread otherwise.
  int32_t ReadAtQuietly(int64_t offset, uint8_t* buffer, int32_t count);
  // The message for a read that did not deliver what it asked: the read
  // message when it failed (got -1), else the changed-size message.
  void ShowIncompleteRead(int32_t got);

  // The next block in order, from Position on, read into the source's own
  // page-aligned buffer, which the caller may change until the next call.
  // Empty, with the message shown, when it did not come whole.
  std::span<uint8_t> NextBlock();
  // The next block in order, read as NextBlock reads it into a buffer of the
  // pool (of this source's block size), for threads that take its bytes
  // beside the caller. Without bytes, with the message shown, when it did
  // not come whole.
  HeldBlock NextHeldBlock(BlockPool& pool);
  // Shows the next block in order to look, a callable taking a
  // std::span<const uint8_t> that only reads it: the block as NextBlock
  // reads it, or shown in place where the source was made for that and the
  // host can. False, with the message shown, when the block did not come
  // whole, or when bytes of it shown in place could not be read meanwhile
  // (the file changed size or could not be read): look may then have been
  // left part way, and what it found cannot be trusted. Look reads the
  // bytes only where leaving it half way leaves nothing undone (see
  // FileView::Look).
  template <typename Look>
  bool LookAtNextBlock(Look&& look) {
    const std::span<const uint8_t> block = ShowNextBlock();
    if (block.empty()) return false;
    if (!view_) {
      look(block);
      return true;
    }
    if (LookThrough(*view_, [&] { look(block); })) return true;
    ShowChangeOrFault();
    return false;
  }
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
  // The next block in order, shown in place or read; empty, with the
  // message shown, when it did not come whole.
  std::span<const uint8_t> ShowNextBlock();
  // Applies the rule to a read that asked count bytes and got got.
  bool Whole(int32_t got, int32_t count);

  // Ends a block looked at in place that lost bytes: its message.
  void ShowChangeOrFault();

  OperationControl& control_;
  ByteFile& file_;
  ViewableFile* viewable_;  // null when the blocks are read
  std::unique_ptr<FileView> view_;
  int64_t viewStart_ = 0;
  FileRole role_;
  int64_t size_;
  int32_t blockSize_;
  int64_t position_ = 0;
  AlignedBuffer buffer_;
};

}  // namespace tamarack
