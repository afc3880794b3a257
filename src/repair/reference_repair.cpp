#include "repair/reference_repair.h"

#include <algorithm>
#include <cassert>
#include <filesystem>
#include <span>
#include <vector>

#include "repair/file_blocks.h"
#include "repair/zero_fill.h"

namespace tamarack {
namespace {

// True for the same path, also when it is written differently ("/a/./b",
// "/a//b") or reaches the same file through a link. Taking the selected file
// for its own reference would end in the offer to delete the reference, that
// is, the selected file itself.
bool SamePath(FileSystem& files, const std::string& a, const std::string& b) {
  if (a == b) return true;
  if (std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal()) {
    return true;
  }
  return files.SameFile(a, b);
}

// Closes the reference file when it is open. A failed close ends a running
// operation with a message, as a failed close of the selected file does.
void CloseReferenceFile(OperationControl& control, ReferenceRecord& reference) {
  if (!reference.ReferenceFile) return;
  const bool closed = reference.ReferenceFile->Close();
  reference.ReferenceFile.reset();
  if (!closed && control.Busy) control.ShowFault(FileRole::Reference, FileFault::Close);
}

}  // namespace

ReferenceRepair::ReferenceRepair(OperationContext& context) : context_(context) {}

void ReferenceRepair::RepairWithReference() {
  OperationControl& control = context_.Control;
  // A stop confirmed while the runner showed "Initializing" asks nothing more.
  if (!control.Busy) return;
  ReferenceRecord reference;
  reference.ReferencePath = context_.Selected.ChooseFile("Reference", "AVI video", "avi");
  if (reference.ReferencePath.empty()) {
    control.Busy = false;
    return;
  }
  CheckReference(reference);
  if (!control.Busy) return;
  MergeReference(reference);
  FinishReference(reference);
}

void ReferenceRepair::CheckReference(ReferenceRecord& reference) {
  OperationControl& control = context_.Control;
  SelectedFile& selected = context_.Selected;
  if (SamePath(context_.Files, selected.SelectedFileName, reference.ReferencePath)) {
    control.ShowError("The Selected file and the Reference file\r\nare the same file.");
    return;
  }
  selected.OpenSelectedFile();
  if (!control.Busy) return;
  reference.ReferenceFile = context_.Files.OpenExisting(reference.ReferencePath);
  if (!reference.ReferenceFile) {
    control.ShowAccessError(FileRole::Reference);
    selected.CloseSelectedFile();
    return;
  }
  const int64_t referenceSize = reference.ReferenceFile->Size();
  if (referenceSize < 0) {
    control.ShowFault(FileRole::Reference, FileFault::Read);
  } else if (referenceSize != selected.SelectedFileSize) {
    control.ShowError("The Selected file and Reference file\r\nare different sizes.");
  }
  if (control.Busy) return;
  selected.CloseSelectedFile();
  CloseReferenceFile(control, reference);
}

void ReferenceRepair::MergeReference(ReferenceRecord& reference) {
  OperationControl& control = context_.Control;
  ProgressBar& progress = context_.Progress;
  ByteFile& selectedFile = *context_.Selected.File;
  ByteFile& referenceFile = *reference.ReferenceFile;
  const int32_t size = context_.Selected.SelectedFileSize;

  progress.OperationTitle = "Repairing with Reference";
  progress.ShowProgress(0, 1);
  context_.Grid.GridClean = false;
  ReferenceMergeState state;
  state.CellSize = MapCellSize(size);
  progress.StartProgressTimer();

  std::vector<uint8_t> selectedBlock(FileBlockSize);
  std::vector<uint8_t> referenceBlock(FileBlockSize);
  int32_t position = 0;
  // Both files are read in step, and only as far as the size both had when
  // they were opened: a file that has since grown is not read past it, one
  // that has shrunk ends the merge with a message.
  while (control.Busy && position < size) {
    const int32_t count = std::min(FileBlockSize, size - position);
    if (!ReadFileBlock(control, selectedFile, FileRole::Selected, selectedBlock.data(), count) ||
        !ReadFileBlock(control, referenceFile, FileRole::Reference, referenceBlock.data(), count)) {
      break;
    }
    const bool changed = MergeBlock(state, selectedBlock.data(), referenceBlock.data(), count);
    if (changed && !WriteBack(position, selectedBlock.data(), count)) break;
    position += count;
    if (progress.ProgressTimerDue()) progress.ShowProgress(position, size);
  }
  if (state.BytesInCell > 0) PaintReferenceCell(state);
  if (!control.Busy) return;
  progress.ShowProgress(1, 1);
  control.ShowPrompt(MessageKind::Information,
                     "Referencing complete. Analyze the Selected file for remaining errors.");
}

bool ReferenceRepair::MergeBlock(ReferenceMergeState& state, uint8_t* selected,
                                 const uint8_t* reference, int32_t count) {
  // The block is merged one cell span at a time, so that each span is one
  // run of the vectorised kernel and its change decides the cell's colour.
  bool blockChanged = false;
  int32_t offset = 0;
  while (offset < count) {
    const int32_t span = std::min(count - offset, state.CellSize - state.BytesInCell);
    const auto length = static_cast<size_t>(span);
    if (FillZeroBytes(std::span<uint8_t>(selected + offset, length),
                      std::span<const uint8_t>(reference + offset, length))) {
      state.CellChanged = true;
      blockChanged = true;
    }
    state.BytesInCell += span;
    offset += span;
    if (state.BytesInCell == state.CellSize) PaintReferenceCell(state);
  }
  return blockChanged;
}

bool ReferenceRepair::WriteBack(int32_t position, const uint8_t* block, int32_t count) {
  OperationControl& control = context_.Control;
  ByteFile& file = *context_.Selected.File;
  // The block is written only where the file still has bytes: a file that
  // another program has shortened meanwhile is never extended.
  const int64_t extent = file.Size();
  if (extent < 0) {
    control.ShowFault(FileRole::Selected, FileFault::Read);
    return false;
  }
  if (extent < int64_t{position} + count) {
    control.ShowFault(FileRole::Selected, FileFault::SizeChanged);
    return false;
  }
  if (!file.Seek(position)) {
    control.ShowFault(FileRole::Selected, FileFault::Seek);
    return false;
  }
  if (file.Write(block, count) != count) {
    control.ShowFault(FileRole::Selected, FileFault::Write);
    return false;
  }
  return true;
}

void ReferenceRepair::PaintReferenceCell(ReferenceMergeState& state) {
  assert(state.CellNumber < CellCount);
  ++state.CellNumber;
  context_.Grid.PaintCell(state.CellNumber, state.CellChanged ? Green : Silver);
  state.CellChanged = false;
  state.BytesInCell = 0;
}

void ReferenceRepair::FinishReference(ReferenceRecord& reference) {
  OperationControl& control = context_.Control;
  context_.Selected.CloseSelectedFile();
  CloseReferenceFile(control, reference);
  if (!control.Busy) return;
  const PromptResult answer =
      control.ShowPrompt(MessageKind::Confirmation,
                         "This Reference file is no longer needed and can be deleted.\r\n"
                         "Deleting will be permanent (Recycle Bin will be bypassed).\r\n"
                         "Delete this Reference file?",
                         DefaultAnswer::No);
  if (answer != PromptResult::Yes) return;
  if (context_.Files.Delete(reference.ReferencePath)) {
    control.ShowPrompt(MessageKind::Information, "This Reference file has been deleted.");
  } else {
    control.ShowPrompt(MessageKind::Error, "This Reference file cannot be deleted.");
  }
}

}  // namespace tamarack
