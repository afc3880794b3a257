#include "analysis/piece_hash.h"

#include <algorithm>
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

}  // namespace

void PieceHash::Update(const uint8_t* bytes, size_t count) {
  const char* data = reinterpret_cast<const char*>(bytes);
  // The hashers take at most a leaf, or a block of at most 1 GiB, at a time.
  constexpr size_t MaxUpdate = size_t{1} << 30;
  while (count > 0) {
    if (!target_.MerkleRoots) {
      const size_t take = std::min(MaxUpdate, count);
      sha1_.update(data, static_cast<int>(take));
      data += take;
      count -= take;
      continue;
    }
    const size_t take = std::min(LeafBytes - leafFill_, count);
    leaf_.update(data, static_cast<int>(take));
    leafFill_ += take;
    data += take;
    count -= take;
    if (leafFill_ == LeafBytes) EndLeaf();
  }
}

// A file of no more than one piece has its tree padded to a power of two
// leaves, a larger one each piece to the leaves of a whole piece.
std::string PieceHash::Final() {
  if (!target_.MerkleRoots) {
    const lt::sha1_hash hash = sha1_.final();
    return std::string(hash.data(), hash.size());
  }
  if (leafFill_ > 0) EndLeaf();
  const size_t count = target_.EntrySize <= target_.PieceLength
                           ? PowerOfTwoAtLeast(std::max<size_t>(leaves_.size(), 1))
                           : static_cast<size_t>(target_.PieceLength) / LeafBytes;
  if (leaves_.size() > count) return {};
  const lt::sha256_hash root = MerkleRoot(leaves_, count);
  return std::string(root.data(), root.size());
}

void PieceHash::EndLeaf() {
  leaves_.push_back(leaf_.final());
  leaf_ = lt::hasher256();
  leafFill_ = 0;
}

std::string PieceHashOf(const TorrentTarget& target,
                        std::initializer_list<std::span<const uint8_t>> parts) {
  PieceHash hash(target);
  for (const std::span<const uint8_t> part : parts) hash.Update(part.data(), part.size());
  return hash.Final();
}

bool PieceVerifies(const TorrentTarget& target, int64_t piece,
                   std::initializer_list<std::span<const uint8_t>> parts) {
  if (piece < 0 || piece >= static_cast<int64_t>(target.PieceHashes.size())) return false;
  return PieceHashOf(target, parts) == target.PieceHashes[static_cast<size_t>(piece)];
}

}  // namespace tamarack
