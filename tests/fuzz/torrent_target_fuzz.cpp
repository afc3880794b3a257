// Fuzzes the reading of a .torrent and the check of a file against its
// pieces. Input: three bytes, big-endian, give the size of the file (at
// least 1); the rest is the .torrent. A torrent that serves must describe a
// sound layout of pieces, and the check of a file of zeros of that size,
// whose neighbours are files of the torrent's sizes in memory, must give
// every piece one verdict.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/torrent_pieces.h"
#include "analysis/torrent_target.h"
#include "fuzz_program.h"

namespace tamarack::fuzzing {
namespace {

void CheckPieces(const TorrentTarget& target, int64_t fileSize) {
  testing::FakeFileSystem files;
  for (const auto* side : {&target.Before, &target.After}) {
    for (const TorrentNeighbour& neighbour : *side) {
      // Neighbours of absurd sizes stay missing, and their pieces unknown.
      if (!neighbour.Path.empty() && neighbour.Size <= (int64_t{1} << 20)) {
        files.Files["/d/" + neighbour.Path].assign(static_cast<size_t>(neighbour.Size), 0);
      }
    }
  }
  TorrentPieceCheck check(target, fileSize, "/d/film.avi", files);
  const std::vector<uint8_t> zeros(65536, 0);
  for (int64_t at = 0; at < fileSize; at += 65536) {
    check.Feed(at, zeros.data(), static_cast<int32_t>(std::min<int64_t>(65536, fileSize - at)));
  }
  check.Finish();
  const TorrentPieces& pieces = check.Result();
  FUZZ_CHECK(pieces.Pieces == static_cast<int64_t>(target.PieceHashes.size()));
  FUZZ_CHECK(pieces.Verified + pieces.FailedCount + pieces.UnknownCount == pieces.Pieces);
  for (const auto* ranges : {&pieces.Failed, &pieces.Unknown}) {
    for (const Extent& range : *ranges) {
      FUZZ_CHECK(range.Offset >= 0 && range.Length > 0 && range.End() <= fileSize);
    }
  }
}

}  // namespace
}  // namespace tamarack::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tamarack;
  if (size < 3) return 0;
  const int64_t fileSize = std::max<int64_t>(1, (data[0] << 16) | (data[1] << 8) | data[2]);
  const std::vector<uint8_t> torrent(data + 3, data + size);
  const TorrentLoad load = LoadTorrentTarget(torrent, fileSize, "/d/film.avi");
  FUZZ_CHECK(load.Target.has_value() == (load.Fault == TorrentFault::None));
  if (!load.Target) return 0;
  const TorrentTarget& target = *load.Target;
  FUZZ_CHECK(target.PieceLength > 0 && target.EntrySize >= fileSize);
  FUZZ_CHECK(target.Start <= 0 && target.Start > -target.PieceLength);
  FUZZ_CHECK(!target.PieceHashes.empty());
  for (const std::string& hash : target.PieceHashes) {
    FUZZ_CHECK(hash.size() == (target.MerkleRoots ? 32u : 20u));
  }
  // The pieces cover the entry, and no more than one piece past it.
  const auto pieces = static_cast<int64_t>(target.PieceHashes.size());
  FUZZ_CHECK(target.Start + pieces * target.PieceLength >= target.EntrySize);
  FUZZ_CHECK(target.Start + (pieces - 1) * target.PieceLength < target.EntrySize);
  tamarack::fuzzing::CheckPieces(target, fileSize);
  return 0;
}
