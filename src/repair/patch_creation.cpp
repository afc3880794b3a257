#include "repair/patch_creation.h"

#include <algorithm>
#include <cstring>

#include "core/operation_loop.h"
#include "core/paths.h"
#include "core/size_text.h"
#include "platform/aligned_buffer.h"
#include "repair/file_blocks.h"
#include "repair/patch_file.h"

namespace tamarack {
namespace {

bool EndsWithAviExtension(const std::string& name) {
  static constexpr char Extension[] = ".avi";
  if (name.size() < 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    char c = name[name.size() - 4 + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != Extension[i]) return false;
  }
  return true;
}

}  // namespace

std::string PatchFileNameFor(const std::string& selectedFileName) {
  std::string name = selectedFileName;
  if (EndsWithAviExtension(name)) name.resize(name.size() - 4);
  return name + ".tkp";
}

int64_t PatchSizeEstimate(const PatchJob& job) {
  int64_t estimate = PatchHeaderSize;
  for (int k = 0; k < job.RegionCount; ++k) estimate += job.Regions[k].Length;
  return estimate;
}

const char PatchSizeLimitMessage[] =
    "Patches can be made and used only for files smaller than 4Gb.\r\n"
    "Repair this file with a Reference file.";

void OpenPatchableFile(OperationContext& context, FileAccess access) {
  context.Selected.OpenSelectedFile(access);
  if (!context.Control.Busy() || context.Selected.SelectedFileSize() < PatchableSize) return;
  context.Control.ShowError(PatchSizeLimitMessage);
  context.Selected.CloseSelectedFile();
}

PatchCreation::PatchCreation(OperationContext& context,
                             std::optional<std::vector<std::string>> codeLines)
    : context_(context), codeLines_(std::move(codeLines)) {}

void PatchCreation::CreatePatch() {
  OperationControl& control = context_.Control;
  OpenPatchableFile(context_, FileAccess::ReadOnly);
  if (!control.Busy()) return;
  PatchJob job;
  std::vector<std::string> lines =
      codeLines_ ? std::move(*codeLines_) : control.Observer().PatchCodeLines();
  EnterPatchCodes(control, std::move(lines), job, context_.Selected.SelectedFileSize());
  if (control.Busy()) ConfirmPatchFile(job);
  if (control.Busy()) WritePatchFile(job);
  context_.Selected.CloseSelectedFile();
}

void PatchCreation::ConfirmPatchFile(PatchJob& job) {
  OperationControl& control = context_.Control;
  const int64_t estimate = PatchSizeEstimate(job);
  const PromptResult answer = control.Ask(
      Question::CreatePatchFile, "Based on the entered Patch codes,\r\nthe Patch file will be " +
                                     FormatSize(estimate) +
                                     " in size.\r\nIf this is too large, enter fewer Patch "
                                     "codes.\r\nCreate Patch file?");
  if (answer == PromptResult::No) {
    control.Decline();
    return;
  }
  job.PatchFileName = PatchFileNameFor(context_.Selected.SelectedFileName());
  if (context_.Files.NameTooLong(job.PatchFileName)) {
    control.ShowFault(FileRole::Patch, FileFault::NameTooLong);
    return;
  }
  // The free space is tested first: an existing patch file that would be
  // replaced does not count as free.
  if (!HasFreeSpace(context_.Files, job.PatchFileName, estimate)) {
    control.ShowError("There is not enough free space to create the patch file!");
    return;
  }
  if (context_.Files.Exists(job.PatchFileName)) {
    const PromptResult overwrite =
        control.Ask(Question::OverwritePatch,
                    "A Patch file for the Selected file already exists.\r\nOverwrite \"" +
                        job.PatchFileName + "\"?",
                    DefaultAnswer::No);
    if (overwrite == PromptResult::No) control.Decline();
  }
  if (!control.Busy()) return;
  if (context_.Files.SameFile(job.PatchFileName, context_.Selected.SelectedFileName())) {
    control.ShowError("The Selected file and the Patch file\r\nare the same file.");
    return;
  }
  job.NewPatchFile = context_.Files.CreateOutput(job.PatchFileName);
  if (!job.NewPatchFile) control.ShowAccessError(FileRole::Patch);
}

void PatchCreation::WritePatchFile(PatchJob& job) {
  OperationControl& control = context_.Control;
  context_.Control.Observer().Reached(Milestone::WritingPatch);
  OperationLoop loop(context_.Control, "Creating Patch", MapCells::None);

  // One buffer serves for the header and index and then for every piece of
  // data.
  AlignedBuffer buffer(FileBlockSize);
  EncodePatchIndex(context_.Selected.SelectedFileSize(), job, buffer.data());
  const int32_t indexSize = PatchIndexSize(job.RegionCount);
  if (job.NewPatchFile->Write(buffer.data(), indexSize) != indexSize) {
    control.ShowFault(FileRole::Patch, FileFault::Write);
  }
  if (control.Busy()) CopyRegions(loop, job, buffer.data());

  // The patch takes its name only when it is complete and on the disk; a
  // stopped or failed one is of no use to anybody and is discarded, and an
  // old patch of that name stays as it was.
  if (control.Busy() && !job.NewPatchFile->Commit()) {
    control.ShowFault(FileRole::Patch, FileFault::Write);
  }
  job.NewPatchFile.reset();
  if (control.Busy()) {
    loop.Complete();
    control.NoteFileWritten(job.PatchFileName);
    control.ShowMessage(MessageKind::Information,
                        "The Patch File \"" + job.PatchFileName + "\" has been created.");
    context_.Control.Observer().Reached(Milestone::PatchCreated);
  }
}

// A region that ends in the file's last, partial unit carries the unit's
// bytes followed by zero bytes up to the whole unit.
void PatchCreation::CopyRegions(OperationLoop& loop, PatchJob& job, uint8_t* buffer) {
  OperationControl& control = context_.Control;
  const int64_t size = context_.Selected.SelectedFileSize();
  BlockSource selected(control, context_.Selected.File(), FileRole::Selected, size, FileBlockSize);
  for (int k = 0; k < job.RegionCount; ++k) {
    PatchRegion& region = job.Regions[k];
    while (region.Length > 0) {
      const auto n = static_cast<int32_t>(std::min<int64_t>(region.Length, FileBlockSize));
      const auto inFile = static_cast<int32_t>(std::clamp<int64_t>(size - region.Offset, 0, n));
      if (inFile > 0 && !selected.ReadAt(region.Offset, buffer, inFile)) return;
      std::memset(buffer + inFile, 0, static_cast<size_t>(n - inFile));
      region.Offset += n;
      if (job.NewPatchFile->Write(buffer, n) != n) {
        control.ShowError("The Patch File cannot be written to (no space?).");
        return;
      }
      region.Length -= n;
    }
    loop.RegionDone(k + 1, job.RegionCount);
    if (!loop.Going()) return;
  }
}

}  // namespace tamarack
