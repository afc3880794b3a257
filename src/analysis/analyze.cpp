#include "analysis/analyze.h"

#include "analysis/analysis_report.h"

namespace tamarack {
namespace {

// Paints the scan's cells onto the map and notes their colours.
class MapCells : public CellSink {
 public:
  MapCells(BlockGrid& grid, std::string& letters) : grid_(grid), letters_(letters) {}

  void PaintCell(uint16_t index, Color color) override {
    grid_.PaintCell(index, color);
    letters_ += color == Red ? 'R' : 'G';
  }

 private:
  BlockGrid& grid_;
  std::string& letters_;
};

}  // namespace

Analyzer::Analyzer(OperationContext& context) : context_(context) {}

void Analyzer::AnalyzeSelectedFile() {
  summary_ = AnalysisSummary();
  context_.ViewArea.Store(View::PatchCodes).clear();
  // A stop confirmed while "Initializing" showed: nothing is opened.
  if (!context_.Control.Busy) return;
  context_.Selected.OpenSelectedFile();
  if (context_.Control.Busy) {
    ScanState state;
    ScanFile(state);
  }
  context_.Selected.CloseSelectedFile();
  summary_.Completed = summary_.Completed && context_.Control.Busy;
}

void Analyzer::ScanFile(ScanState& state) {
  ProgressBar& progress = context_.Progress;
  progress.OperationTitle = "Analyzing";
  progress.ShowProgress(0, 1);
  context_.Grid.GridClean = false;
  const int32_t size = context_.Selected.SelectedFileSize;
  StartScan(state, size);
  progress.StartProgressTimer();
  summary_.FileSize = size;
  summary_.Cells.reserve(CellCount);

  MapCells cells(context_.Grid, summary_.Cells);
  ScanBlocks(state, cells);
  FinishScan(state, cells);
  summary_.ErrorBytes = state.ErrorBytes;
  if (!context_.Control.Busy) return;

  progress.ShowProgress(1, 1);
  const AnalysisReport report = ShowAnalysisReport(state, context_.Control);
  summary_.FakeBytes = report.FakeBytes;
  summary_.RealBytes = report.RealBytes;
  summary_.RealPermille = report.RealPermille;
  if (state.CodeCount > 0) {
    ShowPatchCodes(state, context_.ViewArea);
    summary_.Codes = ListedCodes(state);
  }
  summary_.Completed = true;
}

void Analyzer::ScanBlocks(ScanState& state, CellSink& cells) {
  ByteFile& file = *context_.Selected.File;
  OperationControl& control = context_.Control;
  ProgressBar& progress = context_.Progress;
  state.Buffer.resize(ReadBlockSize);
  do {
    state.BlockBytes = file.Read(state.Buffer.data(), ReadBlockSize);
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
    ScanBlock(state, state.Buffer.data(), state.BlockBytes, cells);
    if (progress.ProgressTimerDue()) progress.ShowProgress(state.Position, state.FileSize);
  } while (state.Position != state.FileSize && control.Busy);
}

}  // namespace tamarack
