#include "analysis/analyze.h"

#include <optional>

#include "analysis/torrent_pieces.h"
#include "core/block_source.h"
#include "core/operation_loop.h"

namespace tamarack {
namespace {

// The blocks read ahead of the proof's feeds at most, 16 MiB: enough for
// both threads of a torrent's pieces to hash at once, pieces of up to 4 MiB
// each.
constexpr int FedBlocks = 64;

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
  // The pieces first: their feed only hands each block to their threads.
  std::optional<TorrentPieceCheck> pieces;
  if (proof_.Torrent) {
    pieces.emplace(*proof_.Torrent, size, context_.Selected.SelectedFileName(), context_.Files);
    feeds.Add(*pieces);
  }
  if (!proof_.Digests.empty()) feeds.Add(digests);
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
  // reach the processor. The proof's feeds take every byte, on other
  // threads: for them each block is read into a buffer of its own, which
  // they hold until they are done with it.
  BlockSource blocks(context_.Control, context_.Selected.File(), FileRole::Selected, state.FileSize,
                     FileBlockSize,
                     beside_->Feeding() ? BlockSource::Access::Read : BlockSource::Access::InPlace);
  std::optional<BlockPool> pool;
  if (beside_->Feeding()) pool.emplace(FileBlockSize, FedBlocks);
  ScanSteps steps;
  const auto plan = [&](std::span<const uint8_t> block) {
    PlanBlock(block.data(), static_cast<int32_t>(block.size()), steps);
  };
  while (!blocks.AtEnd() && loop.Going()) {
    const int64_t start = blocks.Position();
    // A block that did not come whole, or lost bytes under a view as when
    // the file is cut short, is not scanned.
    if (pool) {
      const HeldBlock held = blocks.NextHeldBlock(*pool);
      if (!held.Bytes) return;
      beside_->Give(held);
      plan({held.Bytes.get(), static_cast<size_t>(held.Count)});
    } else if (!blocks.LookAtNextBlock(plan)) {
      return;
    }
    ScanPlannedBlock(state, steps, static_cast<int32_t>(blocks.Position() - start), cells);
    loop.BlockDone(state.Position, state.FileSize);
  }
  // The blocks were not read past the size, and may have been read before
  // the file changed: its size now tells whether it grew or shrank since.
  if (loop.Going()) blocks.SizeHeld();
}

}  // namespace tamarack
