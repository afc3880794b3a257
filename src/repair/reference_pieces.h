#pragma once

#include <string>
#include <vector>

#include "analysis/torrent_target.h"
#include "core/operation_context.h"
#include "repair/piece_repair.h"

namespace tamarack {

struct ReferenceRecord;

// "Referencing complete." and "Pieces repaired: R. Still failing: S.", the
// completion message of a repair that a torrent's pieces prove.
std::string PiecesCompleteText(const PieceRepairResult& result);

// The merge of Repair with Reference when a torrent is at hand: runs the
// piece repair of the selected file from the open references under the
// operation's title, progress and stop, paints the map (green where it
// wrote, silver elsewhere) and ends with the completion message or the
// message of its fault.
PieceRepairResult MergeReferencePieces(OperationContext& context,
                                       std::vector<ReferenceRecord>& references,
                                       const TorrentTarget& target);

}  // namespace tamarack
