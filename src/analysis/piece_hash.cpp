#include "analysis/piece_hash.h"

#include <algorithm>
#include <libtorrent/hasher.hpp>
#include <vector>

namespace tamarack {
namespace {

// The leaves of a v2 piece's merkle tree.
constexpr size_t LeafBytes = 16384;

size_t PowerOfTwoAtLeast(size_t count) {
  size_t power = 1;
  while (power < count) power *= 2;
  return power;
}

// The root of the merkle tree over the leaves, padded with zero hashes to
// the count given, a power of two.
lt::sha256_hash MerkleRoot(std::vector<lt::sha256_hash> nodes, size_t leaves) {
  nodes.resize(leaves);
  while (nodes.size() > 1) {
    std::vector<lt::sha256_hash> parents(nodes.size() / 2);
    for (size_t i = 0; i < parents.size(); ++i) {
      lt::hasher256 pair;
      pair.update(nodes[2 * i]);
      pair.update(nodes[2 * i + 1]);
      parents[i] = pair.final();
    }
    nodes = std::move(parents);
  }
  return nodes.front();
}

std::string V1Hash(std::initializer_list<std::span<const uint8_t>> parts) {
  lt::hasher sha1;
  for (const std::span<const uint8_t> part : parts) {
    sha1.update(reinterpret_cast<const char*>(part.data()), static_cast<int>(part.size()));
  }
  const lt::sha1_hash hash = sha1.final();
  return std::string(hash.data(), hash.size());
}

// A file of no more than one piece has its tree padded to a power of two
// leaves, a larger one each piece to the leaves of a whole piece.
std::string V2Hash(const TorrentTarget& target,
                   std::initializer_list<std::span<const uint8_t>> parts) {
  std::vector<lt::sha256_hash> leaves;
  lt::hasher256 leaf;
  size_t leafFill = 0;
  for (const std::span<const uint8_t> part : parts) {
    for (size_t at = 0; at < part.size();) {
      const size_t take = std::min(LeafBytes - leafFill, part.size() - at);
      leaf.update(reinterpret_cast<const char*>(part.data() + at), static_cast<int>(take));
      leafFill += take;
      at += take;
      if (leafFill == LeafBytes) {
        leaves.push_back(leaf.final());
        leaf = lt::hasher256();
        leafFill = 0;
      }
    }
  }
  if (leafFill > 0) leaves.push_back(leaf.final());
  const size_t count = target.EntrySize <= target.PieceLength
                           ? PowerOfTwoAtLeast(std::max<size_t>(leaves.size(), 1))
                           : static_cast<size_t>(target.PieceLength) / LeafBytes;
  if (leaves.size() > count) return {};
  const lt::sha256_hash root = MerkleRoot(std::move(leaves), count);
  return std::string(root.data(), root.size());
}

}  // namespace

std::string PieceHashOf(const TorrentTarget& target,
                        std::initializer_list<std::span<const uint8_t>> parts) {
  return target.MerkleRoots ? V2Hash(target, parts) : V1Hash(parts);
}

bool PieceVerifies(const TorrentTarget& target, int64_t piece,
                   std::initializer_list<std::span<const uint8_t>> parts) {
  if (piece < 0 || piece >= static_cast<int64_t>(target.PieceHashes.size())) return false;
  return PieceHashOf(target, parts) == target.PieceHashes[static_cast<size_t>(piece)];
}

}  // namespace tamarack
