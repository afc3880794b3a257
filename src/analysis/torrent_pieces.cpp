#include "analysis/torrent_pieces.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "analysis/piece_hash.h"
#include "core/block_source.h"

namespace tamarack {
namespace {

// The neighbours' bytes are read in chunks of a block, at most this many on
// their way at once.
constexpr int NeighbourChunks = 4;
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
      verdicts_(target.PieceHashes.size(), Verdict::Pending),
      neighbourBlocks_(FileBlockSize, NeighbourChunks) {
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
  const size_t threads = std::thread::hardware_concurrency() > 1 ? 2 : 1;
  for (size_t i = 0; i < threads; ++i) workers_.push_back(std::make_unique<Worker>());
  for (size_t i = 0; i < threads; ++i) {
    workers_[i]->Thread = std::thread([this, i] { Work(i); });
  }
  if (verdicts_.front() == Verdict::Pending) SendNeighbours(0, target_.Before, false);
}

TorrentPieceCheck::~TorrentPieceCheck() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
    for (const auto& worker : workers_) worker->Queue.clear();
  }
  for (const auto& worker : workers_) {
    worker->Ready.notify_all();
    if (worker->Thread.joinable()) worker->Thread.join();
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
        Send({piece, nullptr, nullptr, 0, last, true});
        return false;
      }
    }
    for (int64_t done = 0; done < neighbour.Part.Length;) {
      const auto count =
          static_cast<int32_t>(std::min<int64_t>(FileBlockSize, neighbour.Part.Length - done));
      std::shared_ptr<uint8_t> buffer = neighbourBlocks_.Take();
      if (file) {
        if (file->Read(buffer.get(), count) != count) {
          Send({piece, nullptr, nullptr, 0, last, true});
          return false;
        }
      } else {
        std::memset(buffer.get(), 0, static_cast<size_t>(count));
      }
      const uint8_t* bytes = buffer.get();
      Send({piece, std::move(buffer), bytes, count, false, false});
      done += count;
    }
  }
  if (last) Send({piece, nullptr, nullptr, 0, true, false});
  return true;
}

void TorrentPieceCheck::Feed(const HeldBlock& block) {
  if (verdicts_.empty()) return;
  // Bytes past the entry, of a file that grew since the torrent was matched
  // to it, belong to no piece; the scan reports the change of size.
  const int64_t end = std::min(block.Offset + block.Count, target_.EntrySize);
  for (int64_t at = block.Offset; at < end;) {
    const int64_t piece = (at - target_.Start) / target_.PieceLength;
    const int64_t pieceEnd = std::min(PieceEnd(piece), target_.EntrySize);
    const int64_t stop = std::min(end, pieceEnd);
    if (verdicts_[static_cast<size_t>(piece)] == Verdict::Pending) {
      const bool last = stop == pieceEnd && (piece + 1 != static_cast<int64_t>(verdicts_.size()) ||
                                             target_.After.empty());
      Send({piece, block.Bytes, block.Bytes.get() + (at - block.Offset),
            static_cast<int32_t>(stop - at), last, false});
    }
    at = stop;
  }
}

void TorrentPieceCheck::Send(Chunk chunk) {
  Worker& worker = *workers_[static_cast<size_t>(chunk.Piece) % workers_.size()];
  {
    std::lock_guard<std::mutex> lock(mutex_);
    worker.Queue.push_back(std::move(chunk));
  }
  worker.Ready.notify_one();
}

void TorrentPieceCheck::Work(size_t index) {
  std::unique_ptr<PieceHash> hash;
  int64_t piece = -1;
  bool lost = false;
  while (true) {
    Chunk chunk;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      Worker& worker = *workers_[index];
      worker.Ready.wait(lock, [&] { return !worker.Queue.empty() || ending_; });
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
    if (chunk.Count > 0 && !lost) hash->Update(chunk.Bytes, static_cast<size_t>(chunk.Count));
    // The block goes back to the reading once every piece in it is hashed.
    chunk.Block.reset();
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
  for (const auto& worker : workers_) {
    worker->Ready.notify_all();
    if (worker->Thread.joinable()) worker->Thread.join();
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
