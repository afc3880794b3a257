#include "repair/patch_repair.h"

#include <algorithm>
#include <array>

#include "analysis/patch_codes.h"
#include "core/operation_loop.h"
#include "platform/aligned_buffer.h"
#include "repair/file_blocks.h"
#include "repair/patch_creation.h"
#include "repair/patch_file.h"

namespace tamarack {

PatchRepair::PatchRepair(OperationContext& context, std::string patchPath)
    : context_(context), patchPath_(std::move(patchPath)) {}

void PatchRepair::RepairWithPatch() {
  OperationControl& control = context_.Control;
  PatchJob job;
  job.PatchFileName = patchPath_;
  if (job.PatchFileName.empty())
    job.PatchFileName = control.Observer().ChooseFile(FileChoice::Patch);
  if (job.PatchFileName.empty()) {
    control.Decline();
    return;
  }
  OpenPatchableFile(context_, FileAccess::ReadWrite);
  if (!control.Busy()) return;
  OpenPatchFile(job);
  if (control.Busy()) {
    ReadPatchIndex(job);
    if (control.Busy()) ApplyPatch(job);
    // The patch file is only read, so a failed close loses nothing.
    job.PatchFile->Close();
    job.PatchFile.reset();
  }
  context_.Selected.CloseSelectedFile();
}

void PatchRepair::OpenPatchFile(PatchJob& job) {
  job.PatchFile = context_.Files.OpenReadOnly(job.PatchFileName);
  if (!job.PatchFile) context_.Control.ShowAccessError(FileRole::Patch);
}

// The checks run in a fixed order and the first that fails is reported. The
// last one goes beyond the file's own consistency: a region that reaches past
// the end of the selected file would make the repair write outside it, so
// such a patch is refused before anything is written.
void PatchRepair::ReadPatchIndex(PatchJob& job) {
  OperationControl& control = context_.Control;
  ByteFile& patch = *job.PatchFile;
  std::array<uint8_t, PatchEntrySize * MaxPatchRegions> bytes{};

  const int32_t headerRead = patch.Read(bytes.data(), PatchHeaderSize);
  if (headerRead < 0) return control.ShowFault(FileRole::Patch, FileFault::Read);
  if (headerRead < PatchHeaderSize) {
    return control.ShowError("The Patch file does not contain a valid header.");
  }
  const PatchHeader header = DecodePatchHeader(bytes.data());
  if (header.Version < PatchFormatVersion) {
    return control.ShowError(
        "This Patch cannot be used with this version of this program.\r\n"
        "Ask the person who created the patch to upgrade to the latest version\r\n"
        "and re-create the patch.");
  }
  if (header.Version > PatchFormatVersion) {
    return control.ShowError(
        "This Patch cannot be used with this version of this program.\r\n"
        "Upgrade to the latest version.");
  }
  const int64_t selectedSize = context_.Selected.SelectedFileSize();
  if (UnitOfPosition(selectedSize) != header.UnitCount) {
    return control.ShowError("This Patch file is for a different video file.");
  }
  if (header.RegionCount == 0) {
    return control.ShowError("The Patch file contains no patch data.");
  }

  const int32_t indexSize = PatchEntrySize * header.RegionCount;
  const int32_t indexRead = patch.Read(bytes.data(), indexSize);
  if (indexRead < 0) return control.ShowFault(FileRole::Patch, FileFault::Read);
  if (indexRead < indexSize) return control.ShowError("The Patch file index is corrupt.");

  std::array<PatchIndexEntry, MaxPatchRegions> entries{};
  for (int k = 0; k < header.RegionCount; ++k) {
    entries[k] = DecodePatchEntry(bytes.data() + PatchEntrySize * k);
  }
  const int64_t patchSize = patch.Size();
  if (patchSize < 0) return control.ShowFault(FileRole::Patch, FileFault::Read);
  if (patchSize != PatchFileSize(entries.data(), header.RegionCount)) {
    return control.ShowError("The Patch file data is corrupt.");
  }
  // A region may end in the last unit, partial or not, never beyond it.
  for (int k = 0; k < header.RegionCount; ++k) {
    if (entries[k].FirstUnit + entries[k].UnitCount > header.UnitCount) {
      return control.ShowError("This Patch file does not fit the Selected file.");
    }
  }

  job.RegionCount = header.RegionCount;
  for (int k = 0; k < header.RegionCount; ++k) {
    job.Regions[k] = entries[k].Region();
  }
}

void PatchRepair::ApplyPatch(PatchJob& job) {
  OperationControl& control = context_.Control;
  OperationLoop loop(context_.Control, "Repairing with Patch", MapCells::None);

  const int64_t size = context_.Selected.SelectedFileSize();
  BlockSource selected(control, context_.Selected.File(), FileRole::Selected, size, FileBlockSize);
  // The patch data follows the index in region order, so it is read
  // strictly in sequence, block after block.
  const int64_t dataStart = PatchIndexSize(job.RegionCount);
  int64_t patchSize = dataStart;
  for (int k = 0; k < job.RegionCount; ++k) patchSize += job.Regions[k].Length;
  BlockSource patch(control, *job.PatchFile, FileRole::Patch, patchSize, FileBlockSize);
  AlignedBuffer piece(FileBlockSize);
  AlignedBuffer patchPiece(FileBlockSize);
  int64_t patchAt = dataStart;
  for (int k = 0; k < job.RegionCount && loop.Going(); ++k) {
    PatchRegion& region = job.Regions[k];
    while (region.Length > 0) {
      const auto n = static_cast<int32_t>(std::min<int64_t>(region.Length, FileBlockSize));
      if (!patch.ReadAt(patchAt, patchPiece.data(), n)) return;
      patchAt += n;
      // The zero bytes after the end of a last, partial unit fill nothing:
      // only bytes inside the file are ever read or written.
      const auto inFile = static_cast<int32_t>(std::clamp<int64_t>(size - region.Offset, 0, n));
      if (inFile > 0 && (!selected.ReadAt(region.Offset, piece.data(), inFile) ||
                         !WriteFilledBytes(control, selected, region.Offset, patchPiece.data(),
                                           piece.data(), inFile, TargetRead::JustNow))) {
        return;
      }
      region.Offset += n;
      region.Length -= n;
    }
    loop.RegionDone(k + 1, job.RegionCount);
  }
  if (!loop.Going() || !FinishRepairedFile(control, selected)) return;
  loop.Complete();
  control.NoteFileWritten(context_.Selected.SelectedFileName());
  control.ShowMessage(MessageKind::Information,
                      "Patching complete. Analyze the Selected file for remaining errors.");
  context_.Control.Observer().Reached(Milestone::PatchApplied);
}

}  // namespace tamarack
