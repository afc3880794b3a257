#include "repair/reference_repair.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "core/block_source.h"
#include "core/operation_loop.h"
#include "core/size_text.h"
#include "platform/aligned_buffer.h"
#include "repair/file_blocks.h"
#include "repair/reference_pieces.h"
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

// One source of blocks for each reference, in the references' order.
std::vector<BlockSource> ReferenceSources(OperationControl& control,
                                          std::vector<ReferenceRecord>& references, int64_t size) {
  std::vector<BlockSource> sources;
  sources.reserve(references.size());
  for (ReferenceRecord& reference : references) {
    sources.emplace_back(control, *reference.ReferenceFile, FileRole::Reference, size,
                         FileBlockSize);
  }
  return sources;
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

ReferenceRepair::ReferenceRepair(OperationContext& context, std::vector<std::string> references,
                                 std::shared_ptr<const TorrentTarget> torrent)
    : context_(context), paths_(std::move(references)), torrent_(std::move(torrent)) {}

void ReferenceRepair::RepairWithReference() {
  OperationControl& control = context_.Control;
  std::vector<std::string> paths = std::move(paths_);
  paths_.clear();
  lastCounts_.clear();
  lastUndeleted_.clear();
  lastPieces_.reset();
  // A stop confirmed while the runner showed "Initializing" asks nothing more.
  if (!control.Busy()) return;
  if (paths.empty()) {
    const std::string path = control.Observer().ChooseFile(FileChoice::Reference);
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
  if (control.Busy() && !torrent_) CheckReferenceSample(references);
  if (control.Busy() && torrent_)
    lastPieces_ = MergeReferencePieces(context_, references, *torrent_);
  if (control.Busy() && !torrent_) MergeReference(references);
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
    reference.ReferenceFile = files.OpenReadOnly(reference.ReferencePath);
    if (!reference.ReferenceFile) {
      control.ShowError(AboutReference(reference, AccessErrorText(FileRole::Reference)));
      break;
    }
    const int64_t referenceSize = reference.ReferenceFile->Size();
    if (referenceSize < 0) {
      control.ShowFault(FileRole::Reference, FileFault::Read);
    } else if (!torrent_ && referenceSize != selected.SelectedFileSize()) {
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
  const int64_t size = context_.Selected.SelectedFileSize();
  BlockSource selected(control, context_.Selected.File(), FileRole::Selected, size, FileBlockSize);
  std::vector<BlockSource> referenceSources = ReferenceSources(control, references, size);
  const std::vector<int64_t> starts = SampleBlockStarts(size);
  std::vector<HeldBytes> samples(references.size());
  AlignedBuffer selectedBlock(FileBlockSize);
  AlignedBuffer referenceBlock(FileBlockSize);
  OperationLoop loop(control, "Repairing with Reference", MapCells::None);
  for (size_t b = 0; b < starts.size() && loop.Going(); ++b) {
    const auto count = static_cast<int32_t>(std::min<int64_t>(FileBlockSize, size - starts[b]));
    if (!selected.ReadAt(starts[b], selectedBlock.data(), count)) return;
    for (size_t k = 0; k < references.size(); ++k) {
      if (!referenceSources[k].ReadAt(starts[b], referenceBlock.data(), count)) return;
      CountHeldBytes(Bytes(selectedBlock, count), Bytes(referenceBlock, count), samples[k]);
    }
    loop.BlockDone(static_cast<int64_t>(b + 1), static_cast<int64_t>(starts.size()));
  }
  for (size_t k = 0; k < references.size() && loop.Going(); ++k) {
    if (!LooksForeign(samples[k])) continue;
    const PromptResult answer = control.Ask(
        Question::ForeignReference,
        AboutReference(references[k], ForeignReferenceQuestion(samples[k])), DefaultAnswer::No);
    if (answer != PromptResult::Yes) control.Decline();
  }
}

void ReferenceRepair::MergeReference(std::vector<ReferenceRecord>& references) {
  OperationControl& control = context_.Control;
  const int64_t size = context_.Selected.SelectedFileSize();

  OperationLoop loop(control, "Repairing with Reference", MapCells::Painted);
  CellCounter cells;
  cells.Start(size, Silver, Green);
  // With several references: the first byte that is not zero among them at
  // each offset, and the selected block as each reference finds it.
  AlignedBuffer mergedBlock(several_ ? FileBlockSize : 0);
  AlignedBuffer currentBlock(several_ ? FileBlockSize : 0);
  // The files are read in step, and only as far as the size all had when
  // they were opened: a file that has since grown is not read past it, one
  // that has shrunk ends the merge with a message.
  BlockSource selected(control, context_.Selected.File(), FileRole::Selected, size, FileBlockSize);
  std::vector<BlockSource> referenceSources = ReferenceSources(control, references, size);
  std::vector<const uint8_t*> referenceBlocks(references.size());
  while (loop.Going() && !selected.AtEnd()) {
    const int64_t position = selected.Position();
    const std::span<uint8_t> block = selected.NextBlock();
    if (block.empty()) break;
    const auto count = static_cast<int32_t>(block.size());
    uint8_t* selectedBlock = block.data();
    bool agree = true;
    for (size_t k = 0; k < references.size() && loop.Going(); ++k) {
      referenceBlocks[k] = referenceSources[k].NextBlock().data();
      agree = agree && referenceBlocks[k] != nullptr &&
              std::memcmp(referenceBlocks[k], selectedBlock, block.size()) == 0;
    }
    if (!loop.Going()) break;
    if (agree) {
      // Copies that agree byte for byte fill nothing and differ nowhere.
      cells.Add(count, false, context_.Control.Observer());
      loop.BlockDone(selected.Position(), size);
      continue;
    }
    const uint8_t* source = referenceBlocks[0];
    if (several_) {
      std::copy_n(selectedBlock, count, currentBlock.data());
      std::copy_n(referenceBlocks[0], count, mergedBlock.data());
      for (size_t k = 0; k < references.size(); ++k) {
        const std::span<const uint8_t> reference(referenceBlocks[k], block.size());
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
    if (changed && !WriteFilledBytes(control, selected, position, source, selectedBlock, count,
                                     TargetRead::Earlier)) {
      break;
    }
    loop.BlockDone(selected.Position(), size);
  }
  cells.Finish(context_.Control.Observer());
  if (!loop.Going() || !FinishRepairedFile(control, selected)) return;
  loop.Complete();
  control.NoteFileWritten(context_.Selected.SelectedFileName());
  for (const ReferenceRecord& reference : references) {
    lastCounts_.push_back({reference.ReferencePath, reference.DifferingBytes});
  }
  control.ShowMessage(MessageKind::Information,
                      "Referencing complete. Analyze the Selected file for remaining errors.");
  for (const ReferenceRecord& reference : references) {
    if (reference.DifferingBytes == 0) continue;
    control.ShowMessage(MessageKind::Information,
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
    cells.Add(span, fills, context_.Control.Observer());
    offset += span;
  }
  return blockChanged;
}

void ReferenceRepair::FinishReference(std::vector<ReferenceRecord>& references) {
  OperationControl& control = context_.Control;
  context_.Selected.CloseSelectedFile();
  CloseReferenceFiles(control, references);
  if (!control.Busy() || (torrent_ && !(lastPieces_ && lastPieces_->AllVerified()))) return;
  for (const ReferenceRecord& reference : references) {
    const PromptResult answer =
        control.Ask(Question::DeleteReference,
                    AboutReference(reference,
                                   "This Reference file is no longer needed and can be deleted.\r\n"
                                   "Deleting will be permanent (Recycle Bin will be bypassed).\r\n"
                                   "Delete this Reference file?"),
                    DefaultAnswer::No);
    if (answer != PromptResult::Yes) continue;
    if (context_.Files.Delete(reference.ReferencePath)) {
      control.ShowMessage(MessageKind::Information,
                          AboutReference(reference, "This Reference file has been deleted."));
    } else {
      lastUndeleted_.push_back(reference.ReferencePath);
      control.ShowMessage(MessageKind::Error,
                          AboutReference(reference, "This Reference file cannot be deleted."));
    }
  }
}

}  // namespace tamarack
