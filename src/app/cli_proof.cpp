#include "app/cli_proof.h"

#include <algorithm>

namespace tamarack {

ProofRequest ProofOf(const CliRequest& request) {
  ProofRequest proof;
  proof.Digests = request.Digests;
  if (request.Verify) proof.Digests.push_back(request.Verify->Kind);
  return proof;
}

std::vector<std::string> ProofLines(const CliRequest& request, const AnalysisResult& result,
                                    PiecesLine pieces) {
  std::vector<std::string> lines;
  for (const DigestValue& value : result.Digests) {
    if (std::find(request.Digests.begin(), request.Digests.end(), value.Kind) !=
        request.Digests.end()) {
      lines.push_back(std::string(DigestName(value.Kind)) + ": " + value.Hex);
    }
  }
  if (result.Torrent && pieces == PiecesLine::Add) {
    lines.push_back(TorrentPiecesLine(*result.Torrent));
  }
  if (request.Verify) {
    lines.push_back(std::string("The file ") +
                    (ProofFails(request, result) ? "does not match" : "matches") + " its " +
                    DigestName(request.Verify->Kind) + ".");
  }
  return lines;
}

bool ProofFails(const CliRequest& request, const AnalysisResult& result) {
  return request.Verify && result.Completed &&
         !MatchesPublished(*request.Verify, result.FileSize, result.Digests);
}

bool PiecesFail(const AnalysisResult& result) {
  return result.Torrent && result.Torrent->FailedCount > 0;
}

bool ReadTorrentFile(const std::string& path, FileSystem& files, std::vector<uint8_t>& bytes,
                     std::string& message) {
  const std::optional<std::string> failure = ReadTorrentBytes(files, path, bytes);
  if (failure) message = "tamarack-cli: the torrent \"" + path + "\" cannot be read: " + *failure;
  return !failure;
}

std::shared_ptr<const TorrentTarget> TorrentFor(const CliRequest& request,
                                                const std::vector<uint8_t>& torrent,
                                                const std::string& file, int64_t size,
                                                std::string& message) {
  TorrentLoad load = LoadTorrentTarget(torrent, size, file, request.TorrentEntry);
  if (load.Target) return std::make_shared<const TorrentTarget>(std::move(*load.Target));
  const std::string name = "the torrent \"" + request.TorrentPath + "\"";
  if (load.Fault == TorrentFault::Malformed) {
    message = name + " cannot be used: it is malformed (" + load.Error + ")";
  } else {
    message = name + " does not describe \"" + file + "\": " + load.Error;
  }
  return nullptr;
}

}  // namespace tamarack
