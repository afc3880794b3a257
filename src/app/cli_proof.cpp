#include "app/cli_proof.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tamarack {

ProofRequest ProofOf(const CliRequest& request) {
  ProofRequest proof;
  proof.Digests = request.Digests;
  if (request.Verify) proof.Digests.push_back(request.Verify->Kind);
  return proof;
}

std::vector<std::string> ProofLines(const CliRequest& request, const AnalysisResult& result) {
  std::vector<std::string> lines;
  for (const DigestValue& value : result.Digests) {
    if (std::find(request.Digests.begin(), request.Digests.end(), value.Kind) !=
        request.Digests.end()) {
      lines.push_back(std::string(DigestName(value.Kind)) + ": " + value.Hex);
    }
  }
  if (result.Torrent) {
    const TorrentPieces& pieces = *result.Torrent;
    lines.push_back("Torrent pieces: " + std::to_string(pieces.Verified) + " of " +
                    std::to_string(pieces.Pieces) + " verified, " +
                    std::to_string(pieces.FailedCount) + " failed, " +
                    std::to_string(pieces.UnknownCount) + " unknown.");
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

namespace {

// A .torrent larger than this is none: a torrent of the most pieces that
// libtorrent takes in holds 40 MiB of hashes.
constexpr int64_t MaxTorrentBytes = int64_t{64} << 20;

}  // namespace

bool ReadTorrentFile(const std::string& path, FileSystem& files, std::vector<uint8_t>& bytes,
                     std::string& message) {
  const std::string name = "tamarack-cli: the torrent \"" + path + "\" cannot be read: ";
  errno = 0;
  const std::unique_ptr<ByteFile> file = files.OpenReadOnly(path);
  const int64_t size = file ? file->Size() : -1;
  if (size < 0) {
    message = name + (errno != 0 ? std::strerror(errno) : "reason unknown");
    return false;
  }
  if (size > MaxTorrentBytes) {
    message = name + "it is larger than a torrent file can be";
    return false;
  }
  bytes.resize(static_cast<size_t>(size));
  for (int64_t done = 0; done < size;) {
    const auto count = static_cast<int32_t>(std::min<int64_t>(size - done, 1 << 20));
    if (file->Read(bytes.data() + done, count) != count) {
      message = name + "a read failed";
      return false;
    }
    done += count;
  }
  return true;
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
