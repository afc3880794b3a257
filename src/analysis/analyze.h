#pragma once

#include "analysis/analysis_report.h"
#include "analysis/scan_state.h"
#include "analysis/zero_run_scan.h"
#include "core/operation_context.h"
#include "core/operation_loop.h"

namespace tamarack {

// The Analyze command: reads the selected file once, paints the map green
// and red, reports the real and fake shares and lists the patch codes.
class Analyzer {
 public:
  explicit Analyzer(OperationContext& context);

  // Runs under the operation runner, with the busy flag set: empties the
  // stored Patch Codes text, opens the selected file, scans it and closes
  // it. A failed read or close, or a file that changes size during the
  // scan, ends the operation with a message: no report and no Patch Codes
  // view follow, no byte beyond those read is scanned, and the runner wipes
  // the cells painted so far, as after a stop.
  void AnalyzeSelectedFile();

  // What the last run found; the window shows the same as the summary
  // message, the Patch Codes view and the map.
  const AnalysisResult& LastResult() const { return result_; }

 private:
  void ScanFile(ScanState& state);
  // Scans block after block, each as soon as it is at hand, until the end
  // of the file, a stop or a fault; at the end, the file must still have
  // the size it was scanned at.
  void ScanBlocks(ScanState& state, CellSink& cells, OperationLoop& loop);

  OperationContext& context_;
  AnalysisResult result_;
};

}  // namespace tamarack
