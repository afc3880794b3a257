#include "analysis/analyze.h"

#include "core/block_source.h"
#include "core/operation_loop.h"

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
  ScanBlocks(state, cells, loop);
  FinishScan(state, cells);
  result_.ErrorBytes = state.ErrorBytes;
  result_.Runs = state.Runs;
  if (!loop.Going()) return;

  loop.Complete();
  result_.Codes.assign(state.Codes.begin(), state.Codes.begin() + state.CodeCount);
  ShowAnalysisReport(result_, context_.Control);
  // Damage that no code can name is told in the Patch Codes view as well.
  if (!result_.Codes.empty() || (!result_.JudgedFake && HasDamagePastCodes(result_))) {
    ShowPatchCodes(result_.Codes, size, context_.ViewArea);
  }
  result_.Completed = true;
}

void Analyzer::ScanBlocks(ScanState& state, CellSink& cells, OperationLoop& loop) {
  // The scan only looks at the bytes: where the host can show the file in
  // memory, they are looked at there, and only those the scan looks at
  // reach the processor.
  BlockSource blocks(context_.Control, context_.Selected.File(), FileRole::Selected, state.FileSize,
                     ReadBlockSize, BlockSource::Access::InPlace);
  ScanSteps steps;
  while (!blocks.AtEnd() && loop.Going()) {
    const std::span<const uint8_t> block = blocks.LookAtNextBlock();
    // A block that did not come whole is not scanned.
    if (block.empty()) return;
    const auto count = static_cast<int32_t>(block.size());
    PlanBlock(block.data(), count, steps);
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
