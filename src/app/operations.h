#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/analyze.h"
#include "core/operation_control.h"
#include "platform/byte_file.h"
#include "repair/reference_repair.h"

namespace tamarack {

// The five file operations.
enum class Operation { Analyze, CreateBackup, CreatePatch, RepairWithReference, RepairWithPatch };

// An operation with its inputs, as values. What is left empty that the
// operation needs (a reference, the patch, the patch codes) it asks the
// front end's observer for when it needs it.
struct OperationRequest {
  Operation Kind = Operation::Analyze;
  std::string File;  // the selected file
  // Analyze: what it proves besides its scan. Its torrent also serves
  // Repair with Reference, which then repairs and proves the file piece by
  // piece.
  ProofRequest Proof = {};
  // Repair with Reference: the references in order.
  std::vector<std::string> References = {};
  // Repair with Patch: the patch file.
  std::string PatchPath = {};
  // Create Patch: the lines of the patch codes as the user entered them.
  std::optional<std::vector<std::string>> CodeLines = {};
};

// What the last operation of each kind found besides how it ended.
struct OperationFindings {
  // The size of the selected file when the operation opened it last; -1
  // when it could not.
  int64_t FileSize = -1;
  // Of Analyze; the front end renders the same values.
  AnalysisResult Analysis;
  // Of Repair with Reference: the differing bytes of each reference when
  // the merge went to its end, and the references whose deletion failed.
  std::vector<ReferenceCount> Counts;
  std::vector<std::string> Undeleted;
  // Of Repair with Reference with a torrent: what the piece repair did.
  std::optional<PieceRepairResult> Pieces;
};

// The steps of the operation the request asks for, run under the control's
// runner (OperationControl::Run); what they find goes into found.
void RunOperationSteps(OperationControl& control, FileSystem& files,
                       const OperationRequest& request, OperationFindings& found);

// How an operation ended, and what it found.
struct OperationOutcome {
  OperationResult Result;
  OperationFindings Found;
};

// Runs the operation the request asks for under the control's runner.
OperationOutcome RunOperation(OperationControl& control, FileSystem& files,
                              const OperationRequest& request);

}  // namespace tamarack
