#include "analysis/analyze.h"

#include <optional>

#include "analysis/torrent_pieces.h"
#include "core/block_source.h"
#include "core/operation_loop.h"

namespace tamarack {
namespace {

// Paints the scan's cells onto the map and notes their colours.
class MapCellsNoted : public CellSink {
 public:
  MapCellsNoted(CellSink& map, std::vector<Color>& colors) : map_(map), colors_(colors) {}

  void PaintCell(uint16_t index, Color color) override {
    map_.PaintCell(index, color);
    colors_.push_back(color);
  }

 private:
  CellSink& map_;
  std::vector<Color>& colors_;
};

}  // namespace

Analyzer::Analyzer(OperationContext& context, ProofRequest proof)
    : context_(context), proof_(std::move(proof)) {}

AnalysisResult Analyzer::AnalyzeSelectedFile() {
  result_ = AnalysisResult();
  context_.Control.Observer().Reached(Milestone::AnalysisStarted);
  // A stop confirmed while "Initializing" showed: nothing is opened.
  if (!context_.Control.Busy()) return result_;
  context_.Selected.OpenSelectedFile(FileAccess::ReadOnly);
  if (context_.Control.Busy()) {
    ScanState state;
    ScanFile(state);
  }
  context_.Selected.CloseSelectedFile();
  result_.Completed = result_.Completed && context_.Control.Busy();
  return result_;
}

void Analyzer::ScanFile(ScanState& state) {
  const int64_t size = context_.Selected.SelectedFileSize();
  OperationLoop loop(context_.Control, "Analyzing", MapCells::Painted);
  StartScan(state, size);
  result_.FileSize = size;
  result_.Cells.reserve(CellCount);

  MapCellsNoted cells(context_.Control.Observer(), result_.Cells);
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
    context_.Control.Observer().ShowPatchCodes(result_.Codes, size);
  }
  result_.Completed = true;
}

void Analyzer::PaintFailedPieces() {
  const int64_t cellSize = MapCellSize(result_.FileSize);
  for (const Extent& range : result_.Torrent->Failed) {
    const int64_t first = range.Offset / cellSize;
    const int64_t last = (range.End() - 1) / cellSize;
    for (int64_t cell = first; cell <= last && cell < std::ssize(result_.Cells); ++cell) {
      result_.Cells[static_cast<size_t>(cell)] = Red;
      context_.Control.Observer().PaintCell(static_cast<uint16_t>(cell + 1), Red);
    }
  }
}

void Analyzer::ScanBlocks(ScanState& state, CellSink& cells, OperationLoop& loop) {
  // The scan only looks at the bytes: where the host can show the file in
  // memory, they are looked at there, and only those the scan looks at
  // reach the processor.
  BlockSource blocks(context_.Control, context_.Selected.File(), FileRole::Selected, state.FileSize,
                     FileBlockSize, BlockSource::Access::InPlace);
  ScanSteps steps;
  while (!blocks.AtEnd() && loop.Going()) {
    const std::span<const uint8_t> block = blocks.LookAtNextBlock();
    // A block that did not come whole is not scanned.
    if (block.empty()) return;
    const auto count = static_cast<int32_t>(block.size());
    // The proof's feeds take the same bytes while the scan looks at them.
    beside_->Beside(state.Position, block.data(), count,
                    [&] { PlanBlock(block.data(), count, steps); });
    // Bytes lost under a view, as when the file is cut short, read as
    // zeros: nothing of such a block is scanned.
    if (!blocks.BlockIntact()) return;
    ScanPlannedBlock(state, steps, count, cells);
    loop.BlockDone(state.Position, state.FileSize);
  }
  // The blocks were not read past the size, and may have been read before
  // the file changed: its size now tells whether it grew or shrank since.
  if (loop.Going()) blocks.SizeHeld();
}

}  // namespace tamarack
