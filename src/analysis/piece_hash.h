#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "analysis/torrent_target.h"

namespace tamarack {

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
