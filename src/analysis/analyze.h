#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/scan_state.h"
#include "analysis/zero_run_scan.h"
#include "core/operation_context.h"

namespace tamarack {

// What the last Analyze found, for front ends that report it in their own
// form (the console's JSON). The window reads the same from the map, the
// summary message and the Patch Codes view.
//
// After a stop or a fault Completed is false; ErrorBytes and Cells then
// describe the bytes read until then, and the report figures and Codes stay
// empty, as no report and no Patch Codes view were shown.
struct AnalysisSummary {
  bool Completed = false;  // the scan reached the end of the file and it closed
  int32_t FileSize = 0;
  int32_t ErrorBytes = 0;
  int64_t FakeBytes = 0;  // F of the report
  int64_t RealBytes = 0;  // R of the report
  int RealPermille = 0;   // v of the report, 0 to 1000
  // As the Patch Codes view lists them; empty when the file was judged fake.
  std::vector<std::string> Codes;
  std::string Cells;  // one letter a painted cell: 'G' green, 'R' red
};

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

  const AnalysisSummary& LastSummary() const { return summary_; }

 private:
  void ScanFile(ScanState& state);
  // Reads and scans block after block until the end of the file, a stop or
  // a fault.
  void ScanBlocks(ScanState& state, CellSink& cells);

  OperationContext& context_;
  AnalysisSummary summary_;
};

}  // namespace tamarack
