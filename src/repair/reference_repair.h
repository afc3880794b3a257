#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/cell_counter.h"
#include "core/operation_context.h"
#include "platform/byte_file.h"

namespace tamarack {

// The second download that the selected file is repaired from, held for the
// duration of the command.
struct ReferenceRecord {
  std::string ReferencePath;
  std::unique_ptr<ByteFile> ReferenceFile;
};

// The Repair with Reference command: every zero byte of the selected file
// takes the byte of a second download at the same offset when that is not
// zero.
class ReferenceRepair {
 public:
  explicit ReferenceRepair(OperationContext& context);

  void RepairWithReference();

  // Refuses the selected file itself, opens both files and compares their
  // sizes. On failure the message has been shown, the busy flag is clear and
  // neither file is open.
  void CheckReference(ReferenceRecord& reference);
  // Merges the reference into the selected file block by block, writing
  // only the bytes it fills, and paints the map.
  void MergeReference(ReferenceRecord& reference);
  // Closes both files; after a completed merge offers to delete the
  // reference file for good.
  void FinishReference(ReferenceRecord& reference);

 private:
  // Counts one block read from both files into the map: a cell is green
  // when a byte of it will be filled, silver when not. Returns true when a
  // byte of the block will be filled.
  bool CountBlockCells(CellCounter& cells, const uint8_t* selected, const uint8_t* reference,
                       int32_t count);

  OperationContext& context_;
};

}  // namespace tamarack
