#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/scan_state.h"
#include "core/operation_control.h"
#include "ui/views.h"

namespace tamarack {

// Adds the codes of an error run to the scan code list. A run that shares a
// unit with the last code extends that code; codes that no longer fit into
// the list's 255 entries are dropped without a message.
void AddRunCodes(ScanState& state, int32_t runStart, int32_t runLength);

// The figures and text of the summary shown at the end of a completed scan.
struct AnalysisReport {
  int64_t FakeBytes = 0;    // the error bytes rounded up to whole KiB
  int64_t RealBytes = 0;    // the file size less FakeBytes
  int RealPermille = 0;     // real data in tenths of a percent, 0 to 1000
  bool JudgedFake = false;  // real data below 5.0%: nothing worth patching
  std::string Text;
};

AnalysisReport MakeAnalysisReport(int32_t errorBytes, int32_t fileSize);

// Shows the summary as an information message and returns its figures. A
// file judged fake loses its codes, so that no Patch Codes view follows.
AnalysisReport ShowAnalysisReport(ScanState& state, OperationControl& control);

// The codes of the list as the Patch Codes view shows them: by the number
// of units they cover, smallest first, and in list order within each size.
std::vector<std::string> ListedCodes(const ScanState& state);

// The text of the Patch Codes view after an analysis that found errors.
std::string PatchCodesText(const ScanState& state);

// Switches to the Patch Codes view and puts the code text into it.
void ShowPatchCodes(const ScanState& state, Views& views);

}  // namespace tamarack
