#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/operation_context.h"

namespace tamarack {

// What the last Analyze found, for front ends that report it in their own
// form (the console's JSON). The window reads the same from the map, the
// summary message and the Patch Codes view.
struct AnalysisSummary {
  bool Completed = false;        // the scan reached the end of the file
  int32_t FileSize = 0;
  int32_t ErrorBytes = 0;
  int64_t FakeBytes = 0;         // F of the report
  int64_t RealBytes = 0;         // R of the report
  int RealPermille = 0;          // v of the report, 0 to 1000
  std::vector<std::string> Codes;  // as the Patch Codes view lists them
  std::string Cells;             // one letter a painted cell: 'G' green, 'R' red
};

// The Analyze command: reads the selected file once, paints the map green
// and red, reports the real and fake shares and lists the patch codes.
class Analyzer {
 public:
  explicit Analyzer(OperationContext& context);

  void AnalyzeSelectedFile();

  const AnalysisSummary& LastSummary() const { return summary_; }

 private:
  OperationContext& context_;
  AnalysisSummary summary_;
};

}  // namespace tamarack
