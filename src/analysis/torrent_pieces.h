#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/block_feed.h"
#include "analysis/torrent_target.h"
#include "core/block_pool.h"
#include "core/extent.h"
#include "platform/byte_file.h"

namespace tamarack {

// What the pieces of a torrent say about a file. The ranges are those of
// the file's bytes that each piece covers, clipped to the file.
struct TorrentPieces {
  int64_t PieceLength = 0;
  int64_t Pieces = 0;
  int64_t Verified = 0;
  int64_t FailedCount = 0;
  int64_t UnknownCount = 0;
  std::vector<Extent> Failed;
  // Pieces that take in bytes of a neighbouring file that is not beside the
  // file as the torrent lays them out.
  std::vector<Extent> Unknown;
};

// "Torrent pieces: V of N verified, F failed, U unknown."
std::string TorrentPiecesLine(const TorrentPieces& pieces);

// Checks the blocks fed against the pieces of a torrent's file entry. Two
// threads hash them, a piece each in turn, so that both processors hash,
// straight from the blocks as read: a block is held until its pieces are
// hashed. A piece that takes in bytes of neighbouring files reads them from
// the files beside this one as the torrent lays them out, and is unknown
// where one is missing or of another size. Pieces that a file shorter than
// its entry does not hold whole fail.
class TorrentPieceCheck : public BlockFeed {
 public:
  TorrentPieceCheck(const TorrentTarget& target, int64_t fileSize, const std::string& filePath,
                    FileSystem& files);
  ~TorrentPieceCheck() override;
  TorrentPieceCheck(const TorrentPieceCheck&) = delete;
  TorrentPieceCheck& operator=(const TorrentPieceCheck&) = delete;

  void Feed(const HeldBlock& block) override;
  void Finish() override;
  // After Finish: the verdict on every piece.
  const TorrentPieces& Result() const { return result_; }

 private:
  enum class Verdict : uint8_t { Pending, Verified, Failed, Unknown };
  // Bytes of one piece on their way to its hashing thread, in the block
  // that holds them; without bytes, a piece whose bytes could not all be
  // had.
  struct Chunk {
    int64_t Piece = 0;
    std::shared_ptr<const uint8_t> Block;
    const uint8_t* Bytes = nullptr;
    int32_t Count = 0;
    bool Last = false;
    bool Lost = false;
  };
  struct Worker {
    std::deque<Chunk> Queue;
    std::condition_variable Ready;
    std::thread Thread;
  };

  // The piece's bytes in the file's offsets: from its start (negative for
  // bytes before the file) to its end (past the entry for bytes after it).
  int64_t PieceStart(int64_t piece) const;
  int64_t PieceEnd(int64_t piece) const;
  // True when the neighbours can be read as the torrent lays them out.
  bool NeighboursBeside(const std::vector<TorrentNeighbour>& neighbours) const;
  // Sends the neighbours' bytes to the piece's thread; false when a read
  // fails.
  bool SendNeighbours(int64_t piece, const std::vector<TorrentNeighbour>& neighbours, bool last);
  void Send(Chunk chunk);
  void Work(size_t index);
  void CollectResult();

  const TorrentTarget& target_;
  int64_t fileSize_;
  std::string folder_;
  FileSystem& files_;
  std::vector<Verdict> verdicts_;
  bool beforeSent_ = false;

  // The neighbours' bytes, read on the feeding thread.
  BlockPool neighbourBlocks_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Worker>> workers_;
  bool ending_ = false;
  TorrentPieces result_;
};

}  // namespace tamarack
