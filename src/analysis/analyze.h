#pragma once

#include <memory>

#include "analysis/analysis_report.h"
#include "analysis/digests.h"
#include "analysis/feed_beside.h"
#include "analysis/scan_state.h"
#include "analysis/torrent_target.h"
#include "analysis/zero_run_scan.h"
#include "core/operation_context.h"
#include "core/operation_loop.h"

namespace tamarack {

// What an analysis proves besides its scan, from the same reading: the
// digests asked for, and the pieces of a torrent's entry for the file.
struct ProofRequest {
  std::vector<DigestKind> Digests;
  std::shared_ptr<const TorrentTarget> Torrent;
};

// The Analyze command: reads the selected file once, paints the map green
// and red, reports the real and fake shares and lists the patch codes.
class Analyzer {
 public:
  Analyzer(OperationContext& context, ProofRequest proof);

  // Runs under the operation runner, with the busy flag set: opens the
  // selected file, scans it and closes it. A failed read or close, or a
  // file that changes size during the scan, ends the operation with a
  // message: no report and no patch codes follow, no byte beyond those read
  // is scanned, and the runner wipes the cells painted so far, as after a
  // stop. Returns what the run found; a front end shows the same as the
  // summary message, the patch codes and the map.
  AnalysisResult AnalyzeSelectedFile();

 private:
  void ScanFile(ScanState& state);
  // Paints the cells of the torrent's failed pieces red on the map, also
  // where they hold no error byte.
  void PaintFailedPieces();
  // Scans block after block, each as soon as it is at hand, with the
  // proof's feeds taking the same bytes beside the scan, until the end of
  // the file, a stop or a fault; at the end, the file must still have the
  // size it was scanned at.
  void ScanBlocks(ScanState& state, CellSink& cells, OperationLoop& loop);

  OperationContext& context_;
  ProofRequest proof_;
  // The proof's feeds, while a scan runs.
  FeedBeside* beside_ = nullptr;
  AnalysisResult result_;
};

}  // namespace tamarack
