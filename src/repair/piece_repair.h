#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/torrent_target.h"
#include "core/extent.h"
#include "platform/byte_file.h"

namespace tamarack {

// The files of a piece repair. The selected file is open for reading and
// writing and had SelectedSize bytes when it was opened; the neighbouring
// files of a torrent of several files are looked for beside SelectedPath.
// The references, in their order, are open for reading; each is another
// file than the selected one and than each other (the caller compares them
// by identity), and of any size.
struct PieceRepairFiles {
  ByteFile& Selected;
  int64_t SelectedSize = 0;
  std::string SelectedPath;
  std::vector<ByteFile*> References;
  FileSystem& Files;
};

// What the repair tells its caller and asks it as it goes; either may be
// left empty. Both are called on the caller's thread only.
struct PieceRepairHooks {
  // The work done so far of the total: first the selected file's bytes
  // checked, then the bytes of the pieces repaired after them.
  std::function<void(int64_t done, int64_t total)> Progress;
  // True asks the repair to end; it ends between two pieces.
  std::function<bool()> StopAsked;
};

enum class PieceRepairEnd { Completed, Stopped, Failed };

// The fault that ended a repair that failed.
enum class PieceFault {
  None,
  SelectedRead,
  SelectedWrite,  // a write or the final sync failed
  SelectedSizeChanged,
  ReferenceRead,  // of the reference FaultReference
  NotDescribed,   // the selected file is longer than the torrent's file
};

// What a piece repair did. Its extents are clipped to the selected file.
struct PieceRepairResult {
  PieceRepairEnd End = PieceRepairEnd::Completed;
  PieceFault Fault = PieceFault::None;
  size_t FaultReference = 0;
  int64_t Pieces = 0;
  int64_t Repaired = 0;      // pieces that failed and now verify
  int64_t StillFailing = 0;  // pieces that failed and still do
  int64_t Unknown = 0;       // pieces that take in a neighbouring file not at hand
  // The bytes of the pieces still failing, in file order; a piece beyond
  // the end of a file cut short has none.
  std::vector<Extent> Failing;
  // The stretches of the selected file written, in file order.
  std::vector<Extent> Written;

  // The repair went to its end and every piece of the file verifies.
  bool AllVerified() const {
    return End == PieceRepairEnd::Completed && StillFailing == 0 && Unknown == 0;
  }
};

// Repairs each piece of the selected file that fails its hash in the
// torrent, from the references, and writes a piece only when its new bytes
// verify. For each failed piece, in this order: the zero bytes filled from
// the references (each zero byte takes the first byte that is not zero at
// its offset among them); else the whole piece of the first reference whose
// piece verifies, the one case where bytes that are not zero are written
// over, which the hash allows; else the piece stays as it was and is
// reported. A reference gives only the pieces it holds whole. Pieces that
// verify are never written; pieces that take in a neighbouring file that is
// not at hand (unknown) have their zero bytes filled only, as without a
// torrent.
//
// Another program may still be writing the file: each piece is read again
// just before it is written and written only while it holds the bytes that
// were checked, and only while the file has its size; the file is never
// written at or past its end. A stop, or a fault, leaves every piece as it
// was or wholly repaired (a failed write is undone where the file lets it),
// and what was written is synced before the result is returned.
PieceRepairResult RepairPieces(const PieceRepairFiles& files, const TorrentTarget& target,
                               const PieceRepairHooks& hooks);

}  // namespace tamarack
