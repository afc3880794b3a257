#include "analysis/analyze.h"

#include <algorithm>
#include <array>
#include <optional>

#include "analysis/torrent_pieces.h"
#include "core/block_read_ahead.h"
#include "core/operation_loop.h"
#include "platform/aligned_buffer.h"

namespace tamarack {
namespace {

// Paints the scan's cells onto the map and notes their colours.
class MapCellsNoted : public CellSink {
 public:
  MapCellsNoted(BlockGrid& grid, std::vector<Color>& colors) : grid_(grid), colors_(colors) {}

  void PaintCell(uint16_t index, Color color) override {
    grid_.PaintCell(index, color);
    colors_.push_back(color);
  }

 private:
  BlockGrid& grid_;
  std::vector<Color>& colors_;
};

// The bytes scanned through one view of the file: sixteen blocks, so that
// making views costs little and they hold little memory.
constexpr int64_t ViewBytes = int64_t{16} * ReadBlockSize;

// Ends a scan of bytes read before the file may have changed: shows that it
// changed size since its size was taken, or, where it did not, that it was
// not read whole; nothing when it was read whole at the same size.
void ShowChangeOrFault(OperationControl& control, ByteFile& file, int64_t size, bool whole) {
  const int64_t now = file.Size();
  if (now == size && whole) return;
  control.ShowFault(FileRole::Selected,
                    now != size && now >= 0 ? FileFault::SizeChanged : FileFault::Read);
}

}  // namespace

Analyzer::Analyzer(OperationContext& context) : context_(context) {}

void Analyzer::AnalyzeSelectedFile() {
  result_ = AnalysisResult();
  context_.ViewArea.Store(View::PatchCodes).clear();
  // A stop confirmed while "Initializing" showed: nothing is opened.
  if (!context_.Control.Busy()) return;
  context_.Selected.OpenSelectedFile(FileAccess::ReadOnly);
  if (context_.Control.Busy()) {
    ScanState state;
    ScanFile(state);
  }
  context_.Selected.CloseSelectedFile();
  result_.Completed = result_.Completed && context_.Control.Busy();
}

void Analyzer::ScanFile(ScanState& state) {
  const int64_t size = context_.Selected.SelectedFileSize();
  OperationLoop loop(context_, "Analyzing", MapCells::Painted);
  StartScan(state, size);
  result_.FileSize = size;
  result_.Cells.reserve(CellCount);

  MapCellsNoted cells(context_.Grid, result_.Cells);
  Digests digests(proof_.Digests);
  FeedList feeds;
  if (!proof_.Digests.empty()) feeds.Add(digests);
  std::optional<TorrentPieceCheck> pieces;
  if (proof_.Torrent) {
    pieces.emplace(*proof_.Torrent, size, context_.Selected.SelectedFileName(), context_.Files);
    feeds.Add(*pieces);
  }
  FeedBeside beside(feeds.Empty() ? nullptr : &feeds);
  beside_ = &beside;
  ScanBlocks(state, cells, loop);
  beside_ = nullptr;
  FinishScan(state, cells);
  result_.ErrorBytes = state.ErrorBytes;
  result_.Runs = state.Runs;
  if (!loop.Going()) return;

  beside.Finish();
  result_.Digests = digests.Values();
  if (pieces) {
    result_.Torrent = pieces->Result();
    PaintFailedPieces();
  }
  loop.Complete();
  result_.Codes.assign(state.Codes.begin(), state.Codes.begin() + state.CodeCount);
  ShowAnalysisReport(result_, context_.Control);
  // Damage that no code can name is told in the Patch Codes view as well.
  if (!result_.Codes.empty() || (!result_.JudgedFake && HasDamagePastCodes(result_))) {
    ShowPatchCodes(result_.Codes, size, context_.ViewArea);
  }
  result_.Completed = true;
}

void Analyzer::PaintFailedPieces() {
  const int64_t cellSize = MapCellSize(result_.FileSize);
  for (const ByteRange& range : result_.Torrent->Failed) {
    const int64_t first = (range.Start - 1) / cellSize;
    const int64_t last = (range.Start - 1 + range.Length - 1) / cellSize;
    for (int64_t cell = first; cell <= last && cell < std::ssize(result_.Cells); ++cell) {
      result_.Cells[static_cast<size_t>(cell)] = Red;
      context_.Grid.PaintCell(static_cast<uint16_t>(cell + 1), Red);
    }
  }
}

void Analyzer::ScanFedBlock(ScanState& state, const uint8_t* bytes, int32_t count,
                            const ScanSteps* steps, CellSink& cells) {
  beside_->Beside(state.Position, bytes, count, [&] {
    if (steps != nullptr) {
      ScanPlannedBlock(state, *steps, count, cells);
    } else {
      ScanBlock(state, bytes, count, cells);
    }
  });
}

void Analyzer::ScanBlocks(ScanState& state, CellSink& cells, OperationLoop& loop) {
  ByteFile& file = context_.Selected.File();
  OperationControl& control = context_.Control;
  if (ScanBlocksViewed(state, cells, loop)) return;
  if (state.Position == 0 && file.ReadsOnAnyThread() && state.FileSize > ReadBlockSize) {
    ScanBlocksShared(state, cells, loop);
    return;
  }
  if (state.Position != 0 && !file.Seek(state.Position)) {
    control.ShowFault(FileRole::Selected, FileFault::Read);
    return;
  }
  AlignedBuffer buffer(ReadBlockSize);
  do {
    state.BlockBytes = file.Read(buffer.data(), ReadBlockSize);
    if (state.BlockBytes < 0) {
      control.ShowFault(FileRole::Selected, FileFault::Read);
      return;
    }
    // No bytes before the end (the file shrank), or bytes beyond it (it
    // grew): the size taken at the start no longer holds, so nothing of
    // this block is scanned.
    if (state.BlockBytes == 0 || state.BlockBytes > state.FileSize - state.Position) {
      control.ShowFault(FileRole::Selected, FileFault::SizeChanged);
      return;
    }
    ScanFedBlock(state, buffer.data(), state.BlockBytes, nullptr, cells);
    loop.BlockDone(state.Position, state.FileSize);
  } while (state.Position != state.FileSize && loop.Going());
}

void Analyzer::ScanBlocksShared(ScanState& state, CellSink& cells, OperationLoop& loop) {
  ByteFile& file = context_.Selected.File();
  OperationControl& control = context_.Control;
  const int64_t size = state.FileSize;
  // Each block is split into its steps where it was read, in that
  // processor's cache; this thread only follows the steps.
  std::array<ScanSteps, BlockReadAhead::MaxSlots> steps;
  BlockReadAhead blocks({&file}, size, ReadBlockSize,
                        [&steps](size_t slot, const uint8_t* bytes, int32_t count) {
                          PlanBlock(bytes, count, steps[slot]);
                        });
  while (state.Position != size && loop.Going()) {
    blocks.NextBlock();
    const int32_t got = blocks.Got(0);
    if (got < 0) {
      control.ShowFault(FileRole::Selected, FileFault::Read);
      return;
    }
    // Fewer bytes than the size taken at the start leaves: the file shrank,
    // and nothing of this block is scanned.
    if (got != blocks.Asked()) {
      control.ShowFault(FileRole::Selected, FileFault::SizeChanged);
      return;
    }
    ScanFedBlock(state, blocks.Block(0), got, &steps[blocks.CurrentSlot()], cells);
    loop.BlockDone(state.Position, size);
  }
  // The blocks were not read past the size, and may have been read before
  // the file changed: its size now tells whether it grew or shrank since.
  if (loop.Going()) ShowChangeOrFault(control, file, size, true);
}

bool Analyzer::ScanBlocksViewed(ScanState& state, CellSink& cells, OperationLoop& loop) {
  ByteFile& file = context_.Selected.File();
  OperationControl& control = context_.Control;
  const int64_t size = state.FileSize;
  std::unique_ptr<FileView> view;
  int64_t viewStart = 0;
  ScanSteps steps;
  while (state.Position != size && loop.Going()) {
    if (!view || state.Position - viewStart == ViewBytes) {
      view = file.View(state.Position, std::min(ViewBytes, size - state.Position));
      // The rest is read the plain way.
      if (!view) return false;
      viewStart = state.Position;
    }
    const auto count =
        static_cast<int32_t>(std::min<int64_t>(ReadBlockSize, size - state.Position));
    PlanBlock(view->Bytes() + (state.Position - viewStart), count, steps);
    // Bytes that were lost under the view, as when the file is cut short,
    // read as zeros: nothing of this block is scanned.
    if (!view->Intact()) {
      ShowChangeOrFault(control, file, size, false);
      return true;
    }
    ScanFedBlock(state, view->Bytes() + (state.Position - viewStart), count, &steps, cells);
    loop.BlockDone(state.Position, size);
  }
  // The file may have grown past the size viewed.
  if (loop.Going()) ShowChangeOrFault(control, file, size, true);
  return true;
}

}  // namespace tamarack
