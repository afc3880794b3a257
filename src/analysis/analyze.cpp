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
  BlockSource blocks(context_.Control, context_.Selected.File(), FileRole::Selected, state.FileSize,
                     ReadBlockSize);
  while (!blocks.AtEnd() && loop.Going()) {
    const std::span<const uint8_t> block = blocks.NextBlock();
    // A block that did not come whole is not scanned.
    if (block.empty()) return;
    ScanBlock(state, block.data(), static_cast<int32_t>(block.size()), cells);
    loop.BlockDone(state.Position, state.FileSize);
  }
  // The blocks were not read past the size, and may have been read before
  // the file changed: its size now tells whether it grew or shrank since.
  if (loop.Going()) blocks.SizeHeld();
}

}  // namespace tamarack
