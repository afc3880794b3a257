#include "repair/reference_repair.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "core/block_source.h"
#include "core/blocks_in_step.h"
#include "core/cell_counter.h"
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

// What the merge makes of one block of the files, worked out on the thread
// that read the block, while its bytes are in that processor's cache.
class BlockMerge {
 public:
  // A part of the block within one map cell, and whether a byte of it will
  // be filled: the cell is green then.
  struct Span {
    int32_t Length = 0;
    bool Fills = false;
  };

  BlockMerge(size_t references, int64_t cellSize)
      : Differing(references),
        several_(references > 1),
        cellSize_(cellSize),
        mergedBlock_(several_ ? FileBlockSize : 0),
        currentBlock_(several_ ? FileBlockSize : 0) {}

  // The selected file's block comes first, then each reference's.
  void Merge(int64_t offset, const std::vector<uint8_t*>& blocks, int32_t count) {
    const auto length = static_cast<size_t>(count);
    const uint8_t* selected = blocks[0];
    Spans.clear();
    Fills = false;
    std::fill(Differing.begin(), Differing.end(), 0);
    source_ = blocks[1];
    if (std::all_of(blocks.begin() + 1, blocks.end(),
                    [&](const uint8_t* b) { return std::memcmp(b, selected, length) == 0; })) {
      // Copies that agree byte for byte fill nothing and differ nowhere.
      Spans.push_back({count, false});
      return;
    }
    if (several_) {
      // The first byte that is not zero among the references at each
      // offset, and the selected block as each reference finds it.
      std::copy_n(selected, length, currentBlock_.data());
      std::copy_n(blocks[1], length, mergedBlock_.data());
      for (size_t k = 0; k < Differing.size(); ++k) {
        const std::span<const uint8_t> reference(blocks[k + 1], length);
        Differing[k] = CompareSpans(Bytes(currentBlock_, count), reference).Differing;
        TakeZeroBytesFrom(Bytes(currentBlock_, count), reference);
        if (k > 0) TakeZeroBytesFrom(Bytes(mergedBlock_, count), reference);
      }
      source_ = mergedBlock_.data();
    }
    // One cell's span at a time, so that whether a byte of the span will be
    // filled decides the cell's colour. With one reference its differing
    // bytes are counted in the same pass.
    int32_t at = 0;
    while (at < count) {
      const int64_t cellEnd = ((offset + at) / cellSize_ + 1) * cellSize_;
      const auto span = static_cast<int32_t>(std::min<int64_t>(count - at, cellEnd - offset - at));
      const SpanComparison comparison =
          CompareSpans(std::span<const uint8_t>(selected + at, static_cast<size_t>(span)),
                       std::span<const uint8_t>(source_ + at, static_cast<size_t>(span)));
      if (!several_) Differing[0] += comparison.Differing;
      Spans.push_back({span, comparison.Fills});
      Fills = Fills || comparison.Fills;
      at += span;
    }
  }

  // The bytes the selected block takes its zero bytes from.
  const uint8_t* Source() const { return source_; }

  std::vector<Span> Spans;
  std::vector<int64_t> Differing;  // of each reference in the block
  bool Fills = false;              // a byte of the block will be filled

 private:
  bool several_;
  int64_t cellSize_;
  AlignedBuffer mergedBlock_;
  AlignedBuffer currentBlock_;
  const uint8_t* source_ = nullptr;
};

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
  // The files are read in step, and only as far as the size all had when
  // they were opened: a file that has since grown is not read past it, one
  // that has shrunk ends the merge with a message.
  BlockSource selected(control, context_.Selected.File(), FileRole::Selected, size, FileBlockSize);
  std::vector<BlockSource> referenceSources = ReferenceSources(control, references, size);
  std::vector<BlockSource*> sources = {&selected};
  for (BlockSource& source : referenceSources) sources.push_back(&source);
  std::vector<BlockMerge> merges;
  for (size_t slot = 0; slot < BlocksInStep::SlotCount; ++slot) {
    merges.emplace_back(references.size(), cells.CellSize);
  }
  BlocksInStep blocks(sources, [&](size_t slot, int64_t offset, const std::vector<uint8_t*>& bytes,
                                   int32_t count) { merges[slot].Merge(offset, bytes, count); });
  while (loop.Going() && !blocks.AtEnd()) {
    if (!blocks.Next()) break;
    const BlockMerge& merge = merges[blocks.Slot()];
    const int32_t count = blocks.Count();
    for (const BlockMerge::Span& span : merge.Spans) {
      cells.Add(span.Length, span.Fills, control.Observer());
    }
    for (size_t k = 0; k < references.size(); ++k) {
      references[k].DifferingBytes += merge.Differing[k];
    }
    if (merge.Fills && !WriteFilledBytes(control, selected, blocks.Offset(), merge.Source(),
                                         blocks.Block(0), count, TargetRead::Earlier)) {
      break;
    }
    loop.BlockDone(blocks.Offset() + count, size);
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
