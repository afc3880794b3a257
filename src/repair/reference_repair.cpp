#include "repair/reference_repair.h"

#include <algorithm>
#include <span>

#include "core/operation_loop.h"
#include "platform/aligned_buffer.h"
#include "repair/file_blocks.h"
#include "repair/zero_fill.h"

namespace tamarack {
namespace {

// True for the same file, however the two paths reach it (links, "." and
// ".." included): taking the selected file for its own reference would end
// in the offer to delete the reference, that is, the selected file itself.
// Paths are never compared by their text beyond equality, since ".." after
// a symbolic link leads where the link leads.
bool SamePath(FileSystem& files, const std::string& a, const std::string& b) {
  return a == b || files.SameFile(a, b);
}

// Closes the reference file when it is open. A failed close ends a running
// operation with a message, as a failed close of the selected file does.
void CloseReferenceFile(OperationControl& control, ReferenceRecord& reference) {
  if (!reference.ReferenceFile) return;
  const bool closed = reference.ReferenceFile->Close();
  reference.ReferenceFile.reset();
  if (!closed && control.Busy()) control.ShowFault(FileRole::Reference, FileFault::Close);
}

}  // namespace

ReferenceRepair::ReferenceRepair(OperationContext& context) : context_(context) {}

void ReferenceRepair::RepairWithReference() {
  OperationControl& control = context_.Control;
  // A stop confirmed while the runner showed "Initializing" asks nothing more.
  if (!control.Busy()) return;
  ReferenceRecord reference;
  reference.ReferencePath = context_.Selected.ChooseFile("Reference", "AVI video", "avi");
  if (reference.ReferencePath.empty()) {
    control.Decline();
    return;
  }
  CheckReference(reference);
  if (!control.Busy()) return;
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
  if (!control.Busy()) return;
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
  if (control.Busy()) return;
  selected.CloseSelectedFile();
  CloseReferenceFile(control, reference);
}

void ReferenceRepair::MergeReference(ReferenceRecord& reference) {
  OperationControl& control = context_.Control;
  ByteFile& selectedFile = *context_.Selected.File;
  ByteFile& referenceFile = *reference.ReferenceFile;
  const int64_t size = context_.Selected.SelectedFileSize;

  OperationLoop loop(context_, "Repairing with Reference", MapCells::Painted);
  CellCounter cells;
  cells.Start(size, Silver, Green);
  AlignedBuffer selectedBlock(FileBlockSize);
  AlignedBuffer referenceBlock(FileBlockSize);
  int64_t position = 0;
  // Both files are read in step, and only as far as the size both had when
  // they were opened: a file that has since grown is not read past it, one
  // that has shrunk ends the merge with a message.
  while (loop.Going() && position < size) {
    const auto count = static_cast<int32_t>(std::min<int64_t>(FileBlockSize, size - position));
    if (!ReadFileBlock(control, selectedFile, FileRole::Selected, selectedBlock.data(), count) ||
        !ReadFileBlock(control, referenceFile, FileRole::Reference, referenceBlock.data(), count)) {
      break;
    }
    const bool changed = CountBlockCells(cells, selectedBlock.data(), referenceBlock.data(), count);
    if (changed && !WriteFilledBytes(control, selectedFile, size, position, referenceBlock.data(),
                                     count, selectedBlock.data())) {
      break;
    }
    position += count;
    loop.BlockDone(position, size);
  }
  cells.Finish(context_.Grid);
  if (!loop.Going() || !FinishRepairedFile(control, selectedFile, size)) return;
  loop.Complete();
  control.NoteFileWritten(context_.Selected.SelectedFileName);
  control.ShowPrompt(MessageKind::Information,
                     "Referencing complete. Analyze the Selected file for remaining errors.");
}

bool ReferenceRepair::CountBlockCells(CellCounter& cells, const uint8_t* selected,
                                      const uint8_t* reference, int32_t count) {
  // The block is looked at one cell span at a time, so that whether a byte
  // of the span will be filled decides the cell's colour.
  bool blockChanged = false;
  int32_t offset = 0;
  while (offset < count) {
    const auto span = static_cast<int32_t>(std::min<int64_t>(count - offset, cells.LeftInCell()));
    const auto length = static_cast<size_t>(span);
    const bool fills = AnyFillable(std::span<const uint8_t>(selected + offset, length),
                                   std::span<const uint8_t>(reference + offset, length));
    blockChanged = blockChanged || fills;
    cells.Add(span, fills, context_.Grid);
    offset += span;
  }
  return blockChanged;
}

void ReferenceRepair::FinishReference(ReferenceRecord& reference) {
  OperationControl& control = context_.Control;
  context_.Selected.CloseSelectedFile();
  CloseReferenceFile(control, reference);
  if (!control.Busy()) return;
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
