#pragma once

#include <cstdint>
#include <initializer_list>
#include <libtorrent/hasher.hpp>
#include <span>
#include <string>
#include <vector>

#include "analysis/torrent_target.h"

namespace tamarack {

// The hash that a torrent gives one piece of its file, built as the
// piece's bytes come in order: SHA-1 for BitTorrent v1, the SHA-256 merkle
// root over 16 KiB leaves for v2, whose last leaf of a file may be short.
class PieceHash {
 public:
  explicit PieceHash(const TorrentTarget& target) : target_(target) {}

  void Update(const uint8_t* bytes, size_t count);
  // The piece's hash as the torrent holds it; empty for a v2 piece given
  // more bytes than a piece has.
  std::string Final();

 private:
  void EndLeaf();

  const TorrentTarget& target_;
  lt::hasher sha1_;
  lt::hasher256 leaf_;
  size_t leafFill_ = 0;
  std::vector<lt::sha256_hash> leaves_;
};

// The hash that a torrent gives one piece of its file, over the piece's
// bytes given in order as several parts (the stretch of a neighbouring file
// before it, the file's own bytes, the stretch after it): SHA-1 for
// BitTorrent v1, the SHA-256 merkle root over 16 KiB leaves for v2. The
// bytes of a v2 piece are the file's only, and its last leaf may be short.
std::string PieceHashOf(const TorrentTarget& target,
                        std::initializer_list<std::span<const uint8_t>> parts);

// True when the bytes given are the piece's, as its hash in the torrent
// proves.
bool PieceVerifies(const TorrentTarget& target, int64_t piece,
                   std::initializer_list<std::span<const uint8_t>> parts);

}  // namespace tamarack
