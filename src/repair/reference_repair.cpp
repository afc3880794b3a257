#include "repair/reference_repair.h"

#include <algorithm>
#include <span>

#include "core/block_read_ahead.h"
#include "core/operation_loop.h"
#include "core/size_text.h"
#include "platform/aligned_buffer.h"
#include "repair/file_blocks.h"
#include "repair/reference_sample.h"
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

// Closes the reference files that are open. A failed close ends a running
// operation with a message, as a failed close of the selected file does.
void CloseReferenceFiles(OperationControl& control, std::vector<ReferenceRecord>& references) {
  for (ReferenceRecord& reference : references) {
    if (!reference.ReferenceFile) continue;
    const bool closed = reference.ReferenceFile->Close();
    reference.ReferenceFile.reset();
    if (!closed && control.Busy()) control.ShowFault(FileRole::Reference, FileFault::Close);
  }
}

// Takes the next block of the selected file and of every reference; a file
// that gives less than the block ends the operation with its message.
bool NextBlocks(OperationControl& control, BlockReadAhead& blocks, size_t files) {
  blocks.NextBlock();
  for (size_t k = 0; k < files; ++k) {
    const FileRole role = k == 0 ? FileRole::Selected : FileRole::Reference;
    if (!WholeBlockRead(control, role, blocks.Got(k), blocks.Asked())) return false;
  }
  return true;
}

std::span<uint8_t> Bytes(AlignedBuffer& buffer, int32_t count) {
  return {buffer.data(), static_cast<size_t>(count)};
}

// The text that tells how many bytes the merge left as the selected file
// held them, where the reference holds others.
std::string DifferingText(int64_t count) {
  return "The Reference file holds other data than the Selected file in " + FormatThousands(count) +
         (count == 1 ? " byte" : " bytes") + ";\r\nthe Selected file kept its own data there.";
}

}  // namespace

ReferenceRepair::ReferenceRepair(OperationContext& context) : context_(context) {}

void ReferenceRepair::RepairWithReference() {
  OperationControl& control = context_.Control;
  std::vector<std::string> paths = std::move(givenPaths_);
  givenPaths_.clear();
  lastCounts_.clear();
  lastUndeleted_.clear();
  // A stop confirmed while the runner showed "Initializing" asks nothing more.
  if (!control.Busy()) return;
  if (paths.empty()) {
    const std::string path = context_.Selected.ChooseFile("Reference", "AVI video", "avi");
    if (path.empty()) {
      control.Decline();
      return;
    }
    paths.push_back(path);
  }
  std::vector<ReferenceRecord> references(paths.size());
  for (size_t k = 0; k < paths.size(); ++k) references[k].ReferencePath = paths[k];
  several_ = references.size() > 1;
  CheckReference(references);
  if (control.Busy()) CheckReferenceSample(references);
  if (control.Busy()) MergeReference(references);
  FinishReference(references);
}

std::string ReferenceRepair::AboutReference(const ReferenceRecord& reference,
                                            const std::string& text) const {
  if (!several_) return text;
  return "Reference file \"" + reference.ReferencePath + "\":\r\n" + text;
}

void ReferenceRepair::CheckReference(std::vector<ReferenceRecord>& references) {
  OperationControl& control = context_.Control;
  SelectedFile& selected = context_.Selected;
  FileSystem& files = context_.Files;
  for (size_t k = 0; k < references.size(); ++k) {
    const ReferenceRecord& reference = references[k];
    if (SamePath(files, selected.SelectedFileName(), reference.ReferencePath)) {
      control.ShowError(AboutReference(
          reference, "The Selected file and the Reference file\r\nare the same file."));
      return;
    }
    for (size_t earlier = 0; earlier < k; ++earlier) {
      if (SamePath(files, references[earlier].ReferencePath, reference.ReferencePath)) {
        control.ShowError(AboutReference(
            reference, "This Reference file and the Reference file \"" +
                           references[earlier].ReferencePath + "\"\r\nare the same file."));
        return;
      }
    }
  }
  selected.OpenSelectedFile(FileAccess::ReadWrite);
  if (!control.Busy()) return;
  for (ReferenceRecord& reference : references) {
    reference.ReferenceFile = files.OpenExisting(reference.ReferencePath);
    if (!reference.ReferenceFile) {
      control.ShowError(AboutReference(reference, AccessErrorText(FileRole::Reference)));
      break;
    }
    const int64_t referenceSize = reference.ReferenceFile->Size();
    if (referenceSize < 0) {
      control.ShowFault(FileRole::Reference, FileFault::Read);
    } else if (referenceSize != selected.SelectedFileSize()) {
      control.ShowError(AboutReference(
          reference, "The Selected file and Reference file\r\nare different sizes."));
    }
    if (!control.Busy()) break;
  }
  if (control.Busy()) return;
  selected.CloseSelectedFile();
  CloseReferenceFiles(control, references);
}

// The sample is read before the merge's own loop, under the same title; the
// window's events run between its blocks, so a stop comes in here too.
void ReferenceRepair::CheckReferenceSample(std::vector<ReferenceRecord>& references) {
  OperationControl& control = context_.Control;
  ByteFile& selectedFile = context_.Selected.File();
  const int64_t size = context_.Selected.SelectedFileSize();
  const std::vector<int64_t> starts = SampleBlockStarts(size);
  std::vector<HeldBytes> samples(references.size());
  AlignedBuffer selectedBlock(FileBlockSize);
  AlignedBuffer referenceBlock(FileBlockSize);
  OperationLoop loop(context_, "Repairing with Reference", MapCells::None);
  for (size_t b = 0; b < starts.size() && loop.Going(); ++b) {
    const auto count = static_cast<int32_t>(std::min<int64_t>(FileBlockSize, size - starts[b]));
    if (!SeekFileTo(control, selectedFile, FileRole::Selected, starts[b]) ||
        !ReadFileBlock(control, selectedFile, FileRole::Selected, selectedBlock.data(), count)) {
      return;
    }
    for (size_t k = 0; k < references.size(); ++k) {
      ByteFile& referenceFile = *references[k].ReferenceFile;
      if (!SeekFileTo(control, referenceFile, FileRole::Reference, starts[b]) ||
          !ReadFileBlock(control, referenceFile, FileRole::Reference, referenceBlock.data(),
                         count)) {
        return;
      }
      CountHeldBytes(Bytes(selectedBlock, count), Bytes(referenceBlock, count), samples[k]);
    }
    loop.BlockDone(static_cast<int64_t>(b + 1), static_cast<int64_t>(starts.size()));
  }
  for (size_t k = 0; k < references.size() && loop.Going(); ++k) {
    if (!LooksForeign(samples[k])) continue;
    const PromptResult answer = control.ShowPrompt(
        MessageKind::Confirmation,
        AboutReference(references[k],
                       "The Reference file does not look like a copy of the Selected file.\r\n" +
                           DifferingPercent(samples[k]) +
                           "% of the data that both files hold differs.\r\nRepair anyway?"),
        DefaultAnswer::No);
    if (answer != PromptResult::Yes) control.Decline();
  }
}

void ReferenceRepair::MergeReference(std::vector<ReferenceRecord>& references) {
  OperationControl& control = context_.Control;
  ByteFile& selectedFile = context_.Selected.File();
  const int64_t size = context_.Selected.SelectedFileSize();

  OperationLoop loop(context_, "Repairing with Reference", MapCells::Painted);
  CellCounter cells;
  cells.Start(size, Silver, Green);
  // With several references: the first byte that is not zero among them at
  // each offset, and the selected block as each reference finds it.
  AlignedBuffer mergedBlock(several_ ? FileBlockSize : 0);
  AlignedBuffer currentBlock(several_ ? FileBlockSize : 0);
  bool going = SeekFileTo(control, selectedFile, FileRole::Selected, 0);
  std::vector<ByteFile*> files{&selectedFile};
  for (ReferenceRecord& reference : references) {
    going = going && SeekFileTo(control, *reference.ReferenceFile, FileRole::Reference, 0);
    files.push_back(reference.ReferenceFile.get());
  }
  // Where the files allow it, a thread of its own shares the reading of the
  // blocks with this one. Blocks in which all files agree need nothing more;
  // this thread paints the map and merges the others.
  BlockReadAhead blocks(std::move(files), size, FileBlockSize);
  int64_t position = 0;
  // The files are read in step, and only as far as the size all had when
  // they were opened: a file that has since grown is not read past it, one
  // that has shrunk ends the merge with a message.
  while (going && loop.Going() && position < size) {
    if (!NextBlocks(control, blocks, references.size() + 1)) break;
    const int32_t count = blocks.Asked();
    position += count;
    if (blocks.BlocksAgree()) {
      // Copies that agree byte for byte fill nothing and differ nowhere.
      cells.Add(count, false, context_.Grid);
      loop.BlockDone(position, size);
      continue;
    }
    uint8_t* selectedBlock = blocks.Block(0);
    const uint8_t* source = blocks.Block(1);
    if (several_) {
      std::copy_n(selectedBlock, count, currentBlock.data());
      std::copy_n(blocks.Block(1), count, mergedBlock.data());
      for (size_t k = 0; k < references.size(); ++k) {
        const std::span<const uint8_t> reference(blocks.Block(k + 1), count);
        references[k].DifferingBytes +=
            CompareSpans(Bytes(currentBlock, count), reference).Differing;
        TakeZeroBytesFrom(Bytes(currentBlock, count), reference);
        if (k > 0) TakeZeroBytesFrom(Bytes(mergedBlock, count), reference);
      }
      source = mergedBlock.data();
    }
    // With one reference its differing bytes are counted as the cells are.
    const bool changed = CountBlockCells(cells, selectedBlock, source, count,
                                         several_ ? nullptr : &references[0].DifferingBytes);
    if (changed && !WriteFilledBytes(control, selectedFile, size, position - count, source,
                                     selectedBlock, count, TargetRead::Earlier)) {
      break;
    }
    loop.BlockDone(position, size);
  }
  cells.Finish(context_.Grid);
  if (!loop.Going() || !FinishRepairedFile(control, selectedFile, size)) return;
  loop.Complete();
  control.NoteFileWritten(context_.Selected.SelectedFileName());
  for (const ReferenceRecord& reference : references) {
    lastCounts_.push_back({reference.ReferencePath, reference.DifferingBytes});
  }
  control.ShowPrompt(MessageKind::Information,
                     "Referencing complete. Analyze the Selected file for remaining errors.");
  for (const ReferenceRecord& reference : references) {
    if (reference.DifferingBytes == 0) continue;
    control.ShowPrompt(MessageKind::Information,
                       AboutReference(reference, DifferingText(reference.DifferingBytes)));
  }
}

bool ReferenceRepair::CountBlockCells(CellCounter& cells, const uint8_t* selected,
                                      const uint8_t* reference, int32_t count, int64_t* differing) {
  // The block is looked at one cell span at a time, so that whether a byte
  // of the span will be filled decides the cell's colour. The bytes both
  // files hold differently are counted in the same pass when asked for.
  bool blockChanged = false;
  int32_t offset = 0;
  while (offset < count) {
    const auto span = static_cast<int32_t>(std::min<int64_t>(count - offset, cells.LeftInCell()));
    const auto length = static_cast<size_t>(span);
    const std::span<const uint8_t> target(selected + offset, length);
    const std::span<const uint8_t> source(reference + offset, length);
    const SpanComparison comparison = CompareSpans(target, source);
    const bool fills = comparison.Fills;
    if (differing != nullptr) *differing += comparison.Differing;
    blockChanged = blockChanged || fills;
    cells.Add(span, fills, context_.Grid);
    offset += span;
  }
  return blockChanged;
}

void ReferenceRepair::FinishReference(std::vector<ReferenceRecord>& references) {
  OperationControl& control = context_.Control;
  context_.Selected.CloseSelectedFile();
  CloseReferenceFiles(control, references);
  if (!control.Busy()) return;
  for (const ReferenceRecord& reference : references) {
    const PromptResult answer = control.ShowPrompt(
        MessageKind::Confirmation,
        AboutReference(reference,
                       "This Reference file is no longer needed and can be deleted.\r\n"
                       "Deleting will be permanent (Recycle Bin will be bypassed).\r\n"
                       "Delete this Reference file?"),
        DefaultAnswer::No);
    if (answer != PromptResult::Yes) continue;
    if (context_.Files.Delete(reference.ReferencePath)) {
      control.ShowPrompt(MessageKind::Information,
                         AboutReference(reference, "This Reference file has been deleted."));
    } else {
      lastUndeleted_.push_back(reference.ReferencePath);
      control.ShowPrompt(MessageKind::Error,
                         AboutReference(reference, "This Reference file cannot be deleted."));
    }
  }
}

}  // namespace tamarack
