#include "analysis/torrent_pieces.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <libtorrent/hasher.hpp>

#include "core/block_source.h"

namespace tamarack {
namespace {

// The most chunks, of at most a block each, on their way at once: 16 MiB.
constexpr int MaxChunks = 64;
// The leaves of a v2 piece's merkle tree.
constexpr int64_t LeafBytes = 16384;

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

size_t PowerOfTwoAtLeast(size_t count) {
  size_t power = 1;
  while (power < count) power *= 2;
  return power;
}

// The hash of one piece, built as its bytes come.
class PieceHash {
 public:
  PieceHash(const TorrentTarget& target) : target_(target) {}

  void Update(const uint8_t* bytes, int32_t count) {
    const char* data = reinterpret_cast<const char*>(bytes);
    if (!target_.MerkleRoots) {
      sha1_.update(data, count);
      return;
    }
    while (count > 0) {
      const auto take = static_cast<int32_t>(std::min<int64_t>(LeafBytes - leafFill_, count));
      leaf_.update(data, take);
      leafFill_ += take;
      data += take;
      count -= take;
      if (leafFill_ == LeafBytes) EndLeaf();
    }
  }

  // The piece's hash; the last leaf of a file may be short. A file of no
  // more than one piece has its tree padded to a power of two leaves, a
  // larger one each piece to the leaves of a whole piece.
  std::string Final() {
    if (!target_.MerkleRoots) {
      const lt::sha1_hash hash = sha1_.final();
      return std::string(hash.data(), hash.size());
    }
    if (leafFill_ > 0) EndLeaf();
    const size_t leaves = target_.EntrySize <= target_.PieceLength
                              ? PowerOfTwoAtLeast(std::max<size_t>(leaves_.size(), 1))
                              : static_cast<size_t>(target_.PieceLength / LeafBytes);
    const lt::sha256_hash root = MerkleRoot(leaves_, leaves);
    return std::string(root.data(), root.size());
  }

 private:
  void EndLeaf() {
    leaves_.push_back(leaf_.final());
    leaf_ = lt::hasher256();
    leafFill_ = 0;
  }

  const TorrentTarget& target_;
  lt::hasher sha1_;
  lt::hasher256 leaf_;
  int64_t leafFill_ = 0;
  std::vector<lt::sha256_hash> leaves_;
};

}  // namespace

std::string TorrentPiecesLine(const TorrentPieces& pieces) {
  return "Torrent pieces: " + std::to_string(pieces.Verified) + " of " +
         std::to_string(pieces.Pieces) + " verified, " + std::to_string(pieces.FailedCount) +
         " failed, " + std::to_string(pieces.UnknownCount) + " unknown.";
}

TorrentPieceCheck::TorrentPieceCheck(const TorrentTarget& target, int64_t fileSize,
                                     const std::string& filePath, FileSystem& files)
    : target_(target),
      fileSize_(fileSize),
      folder_(std::filesystem::path(filePath).parent_path().string()),
      files_(files),
      verdicts_(target.PieceHashes.size(), Verdict::Pending) {
  const auto pieces = static_cast<int64_t>(verdicts_.size());
  for (int64_t piece = 0; piece < pieces; ++piece) {
    if (std::min(PieceEnd(piece), target_.EntrySize) > fileSize_) {
      verdicts_[piece] = Verdict::Failed;
    }
  }
  if (pieces == 0) return;
  if (verdicts_.front() == Verdict::Pending && !NeighboursBeside(target_.Before)) {
    verdicts_.front() = Verdict::Unknown;
  }
  if (verdicts_.back() == Verdict::Pending && !NeighboursBeside(target_.After)) {
    verdicts_.back() = Verdict::Unknown;
  }
  workers_.resize(std::thread::hardware_concurrency() > 1 ? 2 : 1);
  for (size_t i = 0; i < workers_.size(); ++i) {
    workers_[i].Thread = std::thread([this, i] { Work(i); });
  }
  if (verdicts_.front() == Verdict::Pending) SendNeighbours(0, target_.Before, false);
}

TorrentPieceCheck::~TorrentPieceCheck() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
    for (Worker& worker : workers_) worker.Queue.clear();
  }
  changed_.notify_all();
  for (Worker& worker : workers_) {
    if (worker.Thread.joinable()) worker.Thread.join();
  }
}

int64_t TorrentPieceCheck::PieceStart(int64_t piece) const {
  return target_.Start + piece * target_.PieceLength;
}

int64_t TorrentPieceCheck::PieceEnd(int64_t piece) const {
  return PieceStart(piece) + target_.PieceLength;
}

bool TorrentPieceCheck::NeighboursBeside(const std::vector<TorrentNeighbour>& neighbours) const {
  for (const TorrentNeighbour& neighbour : neighbours) {
    if (neighbour.Path.empty()) continue;
    const std::unique_ptr<ByteFile> file = files_.OpenReadOnly(folder_ + "/" + neighbour.Path);
    if (!file || file->Size() != neighbour.Size) return false;
  }
  return true;
}

bool TorrentPieceCheck::SendNeighbours(int64_t piece,
                                       const std::vector<TorrentNeighbour>& neighbours, bool last) {
  for (const TorrentNeighbour& neighbour : neighbours) {
    std::unique_ptr<ByteFile> file;
    if (!neighbour.Path.empty()) {
      file = files_.OpenReadOnly(folder_ + "/" + neighbour.Path);
      if (!file || !file->Seek(neighbour.Part.Offset)) {
        Send(piece, nullptr, 0, last, true);
        return false;
      }
    }
    for (int64_t done = 0; done < neighbour.Part.Length;) {
      const auto count =
          static_cast<int32_t>(std::min<int64_t>(FileBlockSize, neighbour.Part.Length - done));
      std::unique_ptr<uint8_t[]> buffer = TakeBuffer();
      if (file) {
        if (file->Read(buffer.get(), count) != count) {
          Send(piece, nullptr, 0, last, true);
          return false;
        }
      } else {
        std::memset(buffer.get(), 0, static_cast<size_t>(count));
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        workers_[static_cast<size_t>(piece) % workers_.size()].Queue.push_back(
            {piece, std::move(buffer), count, false, false});
      }
      changed_.notify_all();
      done += count;
    }
  }
  if (last) Send(piece, nullptr, 0, true);
  return true;
}

void TorrentPieceCheck::Feed(int64_t offset, const uint8_t* bytes, int32_t count) {
  if (verdicts_.empty()) return;
  // Bytes past the entry, of a file that grew since the torrent was matched
  // to it, belong to no piece; the scan reports the change of size.
  const int64_t end = std::min(offset + count, target_.EntrySize);
  for (int64_t at = offset; at < end;) {
    const int64_t piece = (at - target_.Start) / target_.PieceLength;
    const int64_t pieceEnd = std::min(PieceEnd(piece), target_.EntrySize);
    const int64_t stop = std::min({end, pieceEnd, at + FileBlockSize});
    if (verdicts_[static_cast<size_t>(piece)] == Verdict::Pending) {
      const bool last = stop == pieceEnd && (piece + 1 != static_cast<int64_t>(verdicts_.size()) ||
                                             target_.After.empty());
      Send(piece, bytes + (at - offset), static_cast<int32_t>(stop - at), last);
    }
    at = stop;
  }
}

void TorrentPieceCheck::Send(int64_t piece, const uint8_t* bytes, int32_t count, bool last,
                             bool lost) {
  Chunk chunk{piece, nullptr, count, last, lost};
  if (count > 0) {
    chunk.Bytes = TakeBuffer();
    std::memcpy(chunk.Bytes.get(), bytes, static_cast<size_t>(count));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    workers_[static_cast<size_t>(piece) % workers_.size()].Queue.push_back(std::move(chunk));
  }
  changed_.notify_all();
}

std::unique_ptr<uint8_t[]> TorrentPieceCheck::TakeBuffer() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !spare_.empty() || buffers_ < MaxChunks; });
  if (spare_.empty()) {
    ++buffers_;
    return std::make_unique<uint8_t[]>(FileBlockSize);
  }
  std::unique_ptr<uint8_t[]> buffer = std::move(spare_.back());
  spare_.pop_back();
  return buffer;
}

void TorrentPieceCheck::Work(size_t index) {
  std::unique_ptr<PieceHash> hash;
  int64_t piece = -1;
  bool lost = false;
  while (true) {
    Chunk chunk;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      Worker& worker = workers_[index];
      changed_.wait(lock, [&] { return !worker.Queue.empty() || ending_; });
      if (worker.Queue.empty()) return;
      chunk = std::move(worker.Queue.front());
      worker.Queue.pop_front();
    }
    if (chunk.Piece != piece) {
      piece = chunk.Piece;
      hash = std::make_unique<PieceHash>(target_);
      lost = false;
    }
    lost = lost || chunk.Lost;
    if (chunk.Bytes) {
      if (!lost) hash->Update(chunk.Bytes.get(), chunk.Count);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        spare_.push_back(std::move(chunk.Bytes));
      }
      changed_.notify_all();
    }
    if (chunk.Last) {
      Verdict& verdict = verdicts_[static_cast<size_t>(piece)];
      if (lost) {
        verdict = Verdict::Unknown;
      } else {
        verdict = hash->Final() == target_.PieceHashes[static_cast<size_t>(piece)]
                      ? Verdict::Verified
                      : Verdict::Failed;
      }
      piece = -1;
    }
  }
}

void TorrentPieceCheck::Finish() {
  // Without bytes after the entry, the last piece's thread may be deciding
  // it already: its verdict is looked at only when it waits for them.
  if (!target_.After.empty() && !verdicts_.empty() && verdicts_.back() == Verdict::Pending) {
    SendNeighbours(static_cast<int64_t>(verdicts_.size()) - 1, target_.After, true);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  for (Worker& worker : workers_) {
    if (worker.Thread.joinable()) worker.Thread.join();
  }
  CollectResult();
}

void TorrentPieceCheck::CollectResult() {
  result_ = TorrentPieces();
  result_.PieceLength = target_.PieceLength;
  result_.Pieces = static_cast<int64_t>(verdicts_.size());
  for (size_t i = 0; i < verdicts_.size(); ++i) {
    const auto piece = static_cast<int64_t>(i);
    const int64_t start = std::max<int64_t>(PieceStart(piece), 0);
    const int64_t end = std::min(PieceEnd(piece), fileSize_);
    const Extent range{start, end - start};
    switch (verdicts_[i]) {
      case Verdict::Verified:
        ++result_.Verified;
        break;
      case Verdict::Failed:
        ++result_.FailedCount;
        if (range.Length > 0) result_.Failed.push_back(range);
        break;
      case Verdict::Pending:
      case Verdict::Unknown:
        ++result_.UnknownCount;
        if (range.Length > 0) result_.Unknown.push_back(range);
        break;
    }
  }
}

}  // namespace tamarack
