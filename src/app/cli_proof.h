#pragma once

#include <string>
#include <vector>

#include "analysis/analyze.h"
#include "app/cli_options.h"
#include "platform/byte_file.h"

namespace tamarack {

// What analyze proves besides its scan, as the command line asks: the
// digests to print and the one a published value needs.
ProofRequest ProofOf(const CliRequest& request);

// Whether the proof lines repeat the torrent's pieces line, which the
// summary holds already.
enum class PiecesLine { Add, InSummary };

// The lines after the report of a completed analysis: one for each digest
// asked for ("SHA-1: <hex>"), the torrent's pieces, and the verdict on the
// published digest.
std::vector<std::string> ProofLines(const CliRequest& request, const AnalysisResult& result,
                                    PiecesLine pieces);

// True when a completed analysis disproves the file: it does not match the
// published digest.
bool ProofFails(const CliRequest& request, const AnalysisResult& result);

// True when a piece of the torrent failed.
bool PiecesFail(const AnalysisResult& result);

// Reads the .torrent of --torrent whole; false, with the message set, when
// it cannot be read.
bool ReadTorrentFile(const std::string& path, FileSystem& files, std::vector<uint8_t>& bytes,
                     std::string& message);

// The torrent's entry for the file of that size at the path, or nothing,
// with the message set, when the torrent does not serve for it.
std::shared_ptr<const TorrentTarget> TorrentFor(const CliRequest& request,
                                                const std::vector<uint8_t>& torrent,
                                                const std::string& file, int64_t size,
                                                std::string& message);

}  // namespace tamarack
