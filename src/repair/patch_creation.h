#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/operation_context.h"
#include "core/operation_loop.h"
#include "repair/patch_code_entry.h"

namespace tamarack {

// The name of the patch file for a selected file: a last ".avi", in any
// case, is replaced by ".tkp"; any other name gets ".tkp" appended.
std::string PatchFileNameFor(const std::string& selectedFileName);

// The size the user is told before a patch is made: the header and the
// regions' data, without the index.
int64_t PatchSizeEstimate(const PatchJob& job);

// The refusal of Create Patch and Repair with Patch for a file of 4 GiB or
// more, whose units patch codes and patch files cannot all name.
extern const char PatchSizeLimitMessage[];

// Opens the selected file for a patch operation, as OpenSelectedFile does,
// and refuses a file of 4 GiB or more with PatchSizeLimitMessage. The busy
// flag tells the outcome; after a refusal the file is closed.
void OpenPatchableFile(OperationContext& context, FileAccess access);

// The Create Patch command: the units that the Patch Codes view names are
// copied from the selected file into a ".tkp" patch file beside it.
class PatchCreation {
 public:
  // The lines of the patch codes as the user entered them; with none, the
  // front end is asked for them when the codes are read.
  PatchCreation(OperationContext& context, std::optional<std::vector<std::string>> codeLines);

  void CreatePatch();

  // Asks about the expected size, names the patch file, checks free space
  // and an existing file, and creates it. With the busy flag still set on
  // return, job.NewPatchFile is open and empty.
  void ConfirmPatchFile(PatchJob& job);
  // Writes the header, the index and the regions' data, then gives the patch
  // file its name. After a stop or a fault it is discarded.
  // Consumes the Length fields of the regions.
  void WritePatchFile(PatchJob& job);

 private:
  // Copies the regions' data after the index, one region between two
  // progress calls; ends early when the busy flag is cleared.
  void CopyRegions(OperationLoop& loop, PatchJob& job, uint8_t* buffer);

  OperationContext& context_;
  std::optional<std::vector<std::string>> codeLines_;
};

}  // namespace tamarack
