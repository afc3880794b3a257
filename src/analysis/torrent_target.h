#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/extent.h"
#include "platform/byte_file.h"

namespace tamarack {

// Bytes of the torrent outside the file that a piece at the file's edge
// takes in: a stretch of a neighbouring file, or of a pad file (zeros).
struct TorrentNeighbour {
  // The neighbour relative to the file's folder, as the torrent lays the
  // files out; empty for a pad file.
  std::string Path;
  int64_t Size = 0;  // the neighbour's whole size
  Extent Part;       // the part of it that the piece takes in
};

// What a torrent says about one of its files: the hash of every piece that
// covers it. A piece's bytes are the file's bytes from Start on (negative
// where the first piece starts in the file before it), each piece
// PieceLength bytes, the first taking in Before, the last After.
struct TorrentTarget {
  std::string EntryPath;  // the file's path in the torrent
  int64_t EntrySize = 0;
  int64_t PieceLength = 0;
  // SHA-256 merkle roots over 16 KiB leaves (BitTorrent v2), else SHA-1.
  bool MerkleRoots = false;
  // The piece hashes in order: 20 bytes each (SHA-1) or 32 (merkle roots).
  std::vector<std::string> PieceHashes;
  int64_t Start = 0;
  std::vector<TorrentNeighbour> Before;
  std::vector<TorrentNeighbour> After;
};

// Why a torrent does not serve for a file.
enum class TorrentFault {
  None,
  Malformed,  // the bytes are no torrent that can be read
  NoEntry,    // the torrent does not describe the file
};

// A torrent read for one file, or the message why it does not serve.
struct TorrentLoad {
  std::optional<TorrentTarget> Target;
  TorrentFault Fault = TorrentFault::None;
  std::string Error;
};

// Reads the bytes of a .torrent (BitTorrent v1, v2 or hybrid) and takes the
// file entry that the file of that size and name is: the one at entryPath
// when that is given (a file shorter than the entry is a download cut
// short), else the one of its size, by the name where sizes tie. A torrent
// with both kinds of hashes is checked by its v2 ones. Malformed, truncated
// or hostile bytes give an error, never a target.
TorrentLoad LoadTorrentTarget(const std::vector<uint8_t>& torrent, int64_t fileSize,
                              const std::string& fileName, const std::string& entryPath = "");

// Reads a .torrent file whole into bytes; the reason when it cannot be read,
// or is larger than any torrent.
std::optional<std::string> ReadTorrentBytes(FileSystem& files, const std::string& path,
                                            std::vector<uint8_t>& bytes);

}  // namespace tamarack
