#include "repair/reference_pieces.h"

#include "core/cell_counter.h"
#include "core/operation_loop.h"
#include "repair/reference_repair.h"

namespace tamarack {
namespace {

void PaintWritten(const std::vector<Extent>& written, int64_t size, CellSink& grid) {
  CellCounter cells;
  cells.Start(size, Silver, Green);
  int64_t position = 0;
  for (const Extent& range : written) {
    cells.Add(range.Offset - position, false, grid);
    cells.Add(range.Length, true, grid);
    position = range.End();
  }
  cells.Add(size - position, false, grid);
  cells.Finish(grid);
}

void ShowPieceFault(OperationControl& control, const PieceRepairResult& result,
                    const std::vector<ReferenceRecord>& references) {
  switch (result.Fault) {
    case PieceFault::None:
      break;
    case PieceFault::SelectedRead:
      control.ShowFault(FileRole::Selected, FileFault::Read);
      break;
    case PieceFault::SelectedWrite:
      control.ShowFault(FileRole::Selected, FileFault::Write);
      break;
    case PieceFault::SelectedSizeChanged:
      control.ShowFault(FileRole::Selected, FileFault::SizeChanged);
      break;
    case PieceFault::ReferenceRead:
      control.ShowError(
          (references.size() > 1
               ? "Reference file \"" + references[result.FaultReference].ReferencePath + "\":\r\n"
               : std::string()) +
          FaultMessage(FileRole::Reference, FileFault::Read));
      break;
    case PieceFault::NotDescribed:
      control.ShowError(
          "The torrent file does not describe the Selected file:\r\n"
          "the file has grown past the size of its file in the torrent.");
      break;
  }
}

}  // namespace

std::string PiecesCompleteText(const PieceRepairResult& result) {
  return "Referencing complete.\r\nPieces repaired: " + std::to_string(result.Repaired) +
         ". Still failing: " + std::to_string(result.StillFailing) + ".";
}

PieceRepairResult MergeReferencePieces(OperationContext& context,
                                       std::vector<ReferenceRecord>& references,
                                       const TorrentTarget& target) {
  OperationControl& control = context.Control;
  SelectedFile& selected = context.Selected;
  const int64_t size = selected.SelectedFileSize();
  OperationLoop loop(control, "Repairing with Reference", MapCells::Painted);
  PieceRepairFiles files{selected.File(), size, selected.SelectedFileName(), {}, context.Files};
  for (ReferenceRecord& reference : references) {
    files.References.push_back(reference.ReferenceFile.get());
  }
  const PieceRepairHooks hooks{[&](int64_t done, int64_t total) { loop.BlockDone(done, total); },
                               [&] { return !loop.Going(); }};
  PieceRepairResult result = RepairPieces(files, target, hooks);
  PaintWritten(result.Written, size, control.Observer());
  ShowPieceFault(control, result, references);
  if (result.End != PieceRepairEnd::Completed || !loop.Going()) return result;
  loop.Complete();
  control.NoteFileWritten(selected.SelectedFileName());
  control.ShowMessage(MessageKind::Information, PiecesCompleteText(result));
  return result;
}

}  // namespace tamarack
