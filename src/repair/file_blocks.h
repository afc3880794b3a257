#pragma once

#include <cstdint>

#include "core/block_source.h"
#include "core/cell_counter.h"
#include "core/operation_control.h"
#include "platform/byte_file.h"

namespace tamarack {

// Positions the file at the offset. A failure, or an offset beyond what the
// file's positions reach, ends the running operation with the message
// naming the file's role and gives false.
bool SeekFileTo(OperationControl& control, ByteFile& file, FileRole role, int64_t offset);

// When the bytes a merge fills were last read from the file: just now, with
// nothing done since; or earlier in the block's step, so that they are read
// again before anything is written.
enum class TargetRead { JustNow, Earlier };

// Fills the zero bytes of the selected file from position on with the
// source's bytes (the rule of zero_fill.h); target holds the count bytes of
// the file there as read. Another program may still be writing the file, so
// unless they were read just now, the part that would be filled is read
// again right before, into target, and only the runs of bytes that are still
// zero and get a non-zero value are written: nothing another program stored
// is reverted. Before each write the file must still have the size it had
// when it was opened, so it is never written at or past its end, nor
// extended. A fault or a changed size ends the operation with its message
// and gives false.
bool WriteFilledBytes(OperationControl& control, BlockSource& selected, int64_t position,
                      const uint8_t* source, uint8_t* target, int32_t count, TargetRead read);

// Checks that the repaired selected file still has its size and puts what
// was written on the disk, so that the completion message tells the truth.
// False, with the message shown, when either fails.
bool FinishRepairedFile(OperationControl& control, BlockSource& selected);

}  // namespace tamarack
