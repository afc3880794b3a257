#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/torrent_target.h"
#include "core/operation_context.h"
#include "platform/byte_file.h"
#include "repair/piece_repair.h"

namespace tamarack {

// A second download that the selected file is repaired from, held for the
// duration of the command.
struct ReferenceRecord {
  std::string ReferencePath;
  std::unique_ptr<ByteFile> ReferenceFile;
  // The bytes where this reference and the selected file, as the earlier
  // references left it, both hold data that differs: the merge keeps the
  // selected file's byte there.
  int64_t DifferingBytes = 0;
};

// What the merge of one reference found.
struct ReferenceCount {
  std::string Path;
  int64_t DifferingBytes = 0;
  bool operator==(const ReferenceCount&) const = default;
};

// The Repair with Reference command: every zero byte of the selected file
// takes the byte of a second download at the same offset when that is not
// zero. Several references are merged in one pass: a zero byte takes the
// first byte that is not zero among them, in their order, which is what
// merging them one after the other gives.
class ReferenceRepair {
 public:
  // The references in order; with none, the front end is asked for one.
  // With a torrent, its pieces are repaired and proven piece by piece (see
  // RepairPieces): references of any size serve, no sample is compared, and
  // the deletion is offered only when every piece verifies.
  ReferenceRepair(OperationContext& context, std::vector<std::string> references,
                  std::shared_ptr<const TorrentTarget> torrent = nullptr);

  void RepairWithReference();
  // The differing bytes of each reference when the merge went to its end;
  // empty when it did not.
  const std::vector<ReferenceCount>& LastCounts() const { return lastCounts_; }
  // What the piece repair did; empty without a torrent or when it did not
  // run.
  const std::optional<PieceRepairResult>& LastPieces() const { return lastPieces_; }
  // The references whose deletion was asked for and failed.
  const std::vector<std::string>& LastUndeleted() const { return lastUndeleted_; }

  // Refuses the selected file itself and a reference named twice, opens
  // every file and compares their sizes. On failure the message has been
  // shown, the busy flag is clear and no file is open.
  void CheckReference(std::vector<ReferenceRecord>& references);
  // Compares each reference with the selected file on a sample spread over
  // the whole file before anything is written; a reference that does not
  // look like a copy is used only when the user says so. On No the busy
  // flag is clear.
  void CheckReferenceSample(std::vector<ReferenceRecord>& references);
  // Merges the references into the selected file block by block, writing
  // only the bytes it fills, and paints the map.
  void MergeReference(std::vector<ReferenceRecord>& references);
  // Closes every file; after a completed merge offers to delete each
  // reference file for good.
  void FinishReference(std::vector<ReferenceRecord>& references);

 private:
  // The message about one reference: with several, its first line names
  // the reference.
  std::string AboutReference(const ReferenceRecord& reference, const std::string& text) const;

  OperationContext& context_;
  std::vector<std::string> paths_;
  std::vector<ReferenceCount> lastCounts_;
  std::vector<std::string> lastUndeleted_;
  std::shared_ptr<const TorrentTarget> torrent_;
  std::optional<PieceRepairResult> lastPieces_;
  bool several_ = false;  // the running command merges more than one reference
};

}  // namespace tamarack
