#pragma once

#include <cstdint>
#include <vector>

#include "analysis/scan_state.h"
#include "core/map_layout.h"

namespace tamarack {

// The rule of the scan, for each byte in file order: a zero byte extends the
// current run; a run becomes an error run at the first of its bytes at which
// it is longer than ZeroRunThreshold and lies past the first HeaderZone bytes,
// provided that more than TailMargin bytes follow its first byte. At that
// byte ZeroRunThreshold + 1 error bytes are counted at once, and every
// further byte of the run counts one. A non-zero byte ends the run, and an
// error run's whole extent goes to the code list. A cell is red when one of
// its own bytes was counted.
//
// The functions below apply this rule to whole stretches of bytes at once;
// their outcome (error bytes, codes, cell colours) is that of the per-byte
// rule.

// Prepares the state for a scan of a file of fileSize bytes (at least 1).
void StartScan(ScanState& state, int64_t fileSize);

// Processes the next count bytes of the file, which follow those processed
// so far; Position grows by count. Runs and cells carry over from block to
// block, so the file may be fed in blocks of any size.
void ScanBlock(ScanState& state, const uint8_t* bytes, int32_t count, CellSink& cells);

// A block's bytes as the scan sees them: stretches in order, each either
// zero bytes or other bytes, which hold no zero run that could matter. They
// follow from the block alone, so they may be worked out on any thread, in
// any order, while the block is in that processor's cache.
struct ScanStep {
  int32_t Length = 0;
  bool Zeros = false;
};
using ScanSteps = std::vector<ScanStep>;

// Works out the steps of a block of count bytes into steps.
void PlanBlock(const uint8_t* bytes, int32_t count, ScanSteps& steps);
// Processes the next block from its steps as ScanBlock processes its bytes,
// with the same outcome.
void ScanPlannedBlock(ScanState& state, const ScanSteps& steps, int32_t count, CellSink& cells);

// Ends a scan after the last block processed, complete or not: closes an
// open run and paints the last, partial cell.
void FinishScan(ScanState& state, CellSink& cells);

// The offset at which a run that starts at runOffset becomes an error run
// if it gets that far; INT64_MAX for a run that never becomes one.
int64_t ErrorOnset(int64_t runOffset, int64_t fileSize);

// The next count bytes are zeros: extends the current run, or starts one.
void CountZeroBytes(ScanState& state, int32_t count, CellSink& cells);
// Closes the current run; an error run goes to the code list.
void EndRun(ScanState& state);

}  // namespace tamarack
