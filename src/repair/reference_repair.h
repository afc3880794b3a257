#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/operation_context.h"
#include "platform/byte_file.h"

namespace tamarack {

// The second download that the selected file is repaired from, held for the
// duration of the command.
struct ReferenceRecord {
  std::string ReferencePath;
  std::unique_ptr<ByteFile> ReferenceFile;
};

// Where the merge stands in the map: the cell being filled and whether a byte
// of it has changed.
struct ReferenceMergeState {
  int32_t CellSize = 1;
  int32_t BytesInCell = 0;
  uint16_t CellNumber = 0;
  bool CellChanged = false;
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
  // Paints the current cell green when it changed, silver when not, and
  // starts the next one.
  void PaintReferenceCell(ReferenceMergeState& state);
  // Closes both files; after a completed merge offers to delete the
  // reference file for good.
  void FinishReference(ReferenceRecord& reference);

 private:
  // Paints every cell that one block read from both files completes.
  // Returns true when a byte of the block will be filled.
  bool MergeBlock(ReferenceMergeState& state, const uint8_t* selected, const uint8_t* reference,
                  int32_t count);

  OperationContext& context_;
};

}  // namespace tamarack
