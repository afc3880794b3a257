#include "app/operations.h"

#include "core/operation_context.h"
#include "repair/backup.h"
#include "repair/patch_creation.h"
#include "repair/patch_repair.h"

namespace tamarack {

void RunOperationSteps(OperationControl& control, FileSystem& files,
                       const OperationRequest& request, OperationFindings& found) {
  SelectedFile selected(control, files, request.File);
  OperationContext context{control, files, selected};
  switch (request.Kind) {
    case Operation::Analyze:
      found.Analysis = Analyzer(context, request.Proof).AnalyzeSelectedFile();
      break;
    case Operation::CreateBackup:
      Backup(context).CreateBackup();
      break;
    case Operation::CreatePatch:
      PatchCreation(context, request.CodeLines).CreatePatch();
      break;
    case Operation::RepairWithReference: {
      ReferenceRepair repair(context, request.References, request.Proof.Torrent);
      found.Counts.clear();
      found.Undeleted.clear();
      found.Pieces.reset();
      repair.RepairWithReference();
      found.Counts = repair.LastCounts();
      found.Undeleted = repair.LastUndeleted();
      found.Pieces = repair.LastPieces();
      break;
    }
    case Operation::RepairWithPatch:
      PatchRepair(context, request.PatchPath).RepairWithPatch();
      break;
  }
  found.FileSize = selected.SelectedFileSize();
}

OperationOutcome RunOperation(OperationControl& control, FileSystem& files,
                              const OperationRequest& request) {
  OperationOutcome outcome;
  outcome.Result = control.Run([&] { RunOperationSteps(control, files, request, outcome.Found); });
  return outcome;
}

}  // namespace tamarack
