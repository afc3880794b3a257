#pragma once

#include <cstdint>

#include "core/operation_context.h"
#include "repair/patch_code_entry.h"

namespace tamarack {

// The Repair with Patch command: a patch file fills the zero bytes of the
// units that it carries.
class PatchRepair {
 public:
  // The patch file at the path; with none, the front end is asked for one.
  PatchRepair(OperationContext& context, std::string patchPath);

  void RepairWithPatch();

  // Opens job.PatchFileName for reading and writing; on failure shows the
  // access message, which clears the busy flag.
  void OpenPatchFile(PatchJob& job);
  // Reads and checks the header and the index of the open patch file and
  // fills job.Regions, leaving the file at its first data byte. The first
  // check that fails shows its message and clears the busy flag; nothing has
  // been written then.
  void ReadPatchIndex(PatchJob& job);
  // Fills the zero bytes of the selected file in every region from the
  // patch data, read in sequence. Consumes the regions.
  void ApplyPatch(PatchJob& job);

 private:
  OperationContext& context_;
  std::string patchPath_;
};

}  // namespace tamarack
