#include "repair/piece_repair.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <span>
#include <thread>

#include "analysis/piece_hash.h"
#include "analysis/torrent_pieces.h"
#include "repair/zero_fill.h"

namespace tamarack {
namespace {

// The bytes read at once while the file is checked, and at most in one read
// or write of a piece.
constexpr int32_t ReadBlock = 1 << 20;
// The bytes of pieces (the file's and the references') held at once.
constexpr int64_t WindowBytes = int64_t{16} << 20;

// A piece to repair: its stretch of the selected file.
struct PieceSpan {
  int64_t Piece = 0;
  int64_t Start = 0;  // from 0
  int64_t Length = 0;
  bool Unknown = false;  // only its zero bytes are filled
};

// What was read and decided for a piece. The buffers are kept from one
// piece to the next: fresh ones would cost the kernel a page fault for
// every 4 KiB.
struct PieceJob {
  PieceSpan Span;
  std::vector<uint8_t> Original;
  // The neighbouring files' bytes that the piece takes in before and after
  // the file; NeighboursRead is false when they could not be had.
  std::vector<uint8_t> Before;
  std::vector<uint8_t> After;
  bool NeighboursRead = true;
  // Each reference's bytes from Start on, as far as it holds them; the
  // first ReferencesRead of them are read.
  std::vector<std::vector<uint8_t>> References;
  size_t ReferencesRead = 0;
  // The piece with its zero bytes filled from the references, and whether
  // that changed a byte.
  std::vector<uint8_t> Merged;
  bool Filled = false;
  // Where the piece is: its fill or a reference's piece being hashed (the
  // Candidate, whose Verdict the hashing threads give), or ready to be
  // written (Chosen) or left (null).
  enum class Step { Fill, Reference, Ready } At = Step::Ready;
  const std::vector<uint8_t>* Candidate = nullptr;
  enum class Verdict { Pending, Verified, Failed } Hashed = Verdict::Pending;
  size_t NextReference = 0;  // the reference whose piece is tried next
  const std::vector<uint8_t>* Chosen = nullptr;
};

// Hashes the candidates of pieces on threads of their own, one per
// processor up to two, while the caller reads and writes the files. Only
// the caller touches the files; a job handed over is left alone until its
// verdict is in.
class PieceHashing {
 public:
  PieceHashing(const TorrentTarget& target, size_t threads) : target_(target) {
    for (size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
  }
  // Drops the candidates not yet begun and waits for those under way.
  ~PieceHashing() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ending_ = true;
      queue_.clear();
    }
    ready_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  PieceHashing(const PieceHashing&) = delete;
  PieceHashing& operator=(const PieceHashing&) = delete;

  void Submit(PieceJob& job, const std::vector<uint8_t>& candidate) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      job.Candidate = &candidate;
      job.Hashed = PieceJob::Verdict::Pending;
      queue_.push_back(&job);
    }
    ready_.notify_one();
  }
  // The job's verdict, or Pending while it is being hashed.
  PieceJob::Verdict VerdictOf(const PieceJob& job) {
    std::lock_guard<std::mutex> lock(mutex_);
    return job.Hashed;
  }
  // Waits until a verdict comes in after the count of verdicts given.
  void WaitPast(uint64_t given) {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return given_ != given; });
  }
  uint64_t Given() {
    std::lock_guard<std::mutex> lock(mutex_);
    return given_;
  }

 private:
  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      ready_.wait(lock, [this] { return ending_ || !queue_.empty(); });
      if (queue_.empty()) return;
      PieceJob& job = *queue_.front();
      queue_.pop_front();
      lock.unlock();
      const bool verified =
          PieceVerifies(target_, job.Span.Piece, {job.Before, *job.Candidate, job.After});
      lock.lock();
      job.Hashed = verified ? PieceJob::Verdict::Verified : PieceJob::Verdict::Failed;
      ++given_;
      done_.notify_all();
    }
  }

  const TorrentTarget& target_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable done_;
  std::deque<PieceJob*> queue_;
  uint64_t given_ = 0;
  bool ending_ = false;
  std::vector<std::thread> threads_;
};

bool HasZeroByte(const std::vector<uint8_t>& bytes) {
  return std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
}

// Two copies mostly agree: the stretches where they do are passed over by
// memcmp, and only the one where they part is walked byte by byte.
constexpr size_t Stretch = 4096;

// The offset of the first byte where a and b differ; count when none does.
size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t count) {
  size_t at = 0;
  while (count - at >= Stretch && std::memcmp(a + at, b + at, Stretch) == 0) at += Stretch;
  while (at < count && a[at] == b[at]) ++at;
  return at;
}

// The offset after the last byte where a and b differ; 0 when none does.
size_t DifferenceEnd(const uint8_t* a, const uint8_t* b, size_t count) {
  size_t end = count;
  while (end >= Stretch && std::memcmp(a + end - Stretch, b + end - Stretch, Stretch) == 0) {
    end -= Stretch;
  }
  while (end > 0 && a[end - 1] == b[end - 1]) --end;
  return end;
}

class PieceRepair {
 public:
  PieceRepair(const PieceRepairFiles& files, const TorrentTarget& target,
              const PieceRepairHooks& hooks)
      : files_(files), target_(target), hooks_(hooks), size_(files.SelectedSize) {}

  PieceRepairResult Run();

 private:
  bool StopAsked() const { return hooks_.StopAsked && hooks_.StopAsked(); }
  void Progress(int64_t done) const {
    if (hooks_.Progress) hooks_.Progress(done, 2 * size_);
  }
  bool Fail(PieceFault fault, size_t reference = 0) {
    result_.End = PieceRepairEnd::Failed;
    result_.Fault = fault;
    result_.FaultReference = reference;
    return false;
  }
  int64_t PieceStart(int64_t piece) const { return target_.Start + piece * target_.PieceLength; }
  int64_t PieceEnd(int64_t piece) const {
    return std::min(PieceStart(piece) + target_.PieceLength, target_.EntrySize);
  }

  // Reads count bytes at offset; the bytes read, or -1 on an error.
  static int64_t ReadFully(ByteFile& file, int64_t offset, uint8_t* bytes, int64_t count);
  // Checks every piece of the file; false when it ended early.
  bool CheckPieces(std::vector<PieceSpan>& spans);
  void ReadNeighbours(PieceJob& job);
  bool ReadNeighbour(const TorrentNeighbour& neighbour, std::vector<uint8_t>& bytes);
  bool ReadReference(PieceJob& job, size_t k);
  // Reads the piece and, in their order, the references as far as the
  // zero bytes left need them, and fills them.
  bool ReadForFill(PieceJob& job);
  // Reads the piece and hands its fill to the hashing; false on a fault.
  bool StartJob(PieceJob& job, PieceHashing& hashing);
  // Hands the next reference's piece that has not been found wrong yet to
  // the hashing, reading it first; the piece is ready to be left when no
  // reference is left. False on a fault.
  bool TryNextReference(PieceJob& job, PieceHashing& hashing);
  // Takes the verdict on the job's candidate when it has come in; false on
  // a fault.
  bool Advance(PieceJob& job, PieceHashing& hashing);
  bool WriteJob(PieceJob& job);
  void Leave(const PieceSpan& span);

  const PieceRepairFiles& files_;
  const TorrentTarget& target_;
  const PieceRepairHooks& hooks_;
  int64_t size_;
  std::vector<int64_t> referenceSizes_;
  std::vector<uint8_t> again_;  // the piece as read just before it is written
  bool wrote_ = false;
  PieceRepairResult result_;
};

int64_t PieceRepair::ReadFully(ByteFile& file, int64_t offset, uint8_t* bytes, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(ReadBlock, count - done));
    const int32_t got = file.ReadAt(offset + done, bytes + done, n);
    if (got < 0) return -1;
    done += got;
    if (got < n) break;
  }
  return done;
}

bool PieceRepair::CheckPieces(std::vector<PieceSpan>& spans) {
  TorrentPieceCheck check(target_, size_, files_.SelectedPath, files_.Files);
  std::vector<uint8_t> block(static_cast<size_t>(std::min<int64_t>(ReadBlock, size_)));
  for (int64_t at = 0; at < size_;) {
    if (StopAsked()) {
      result_.End = PieceRepairEnd::Stopped;
      return false;
    }
    const auto count = static_cast<int32_t>(std::min<int64_t>(ReadBlock, size_ - at));
    const int32_t got = files_.Selected.ReadAt(at, block.data(), count);
    if (got != count)
      return Fail(got < 0 ? PieceFault::SelectedRead : PieceFault::SelectedSizeChanged);
    check.Feed(at, block.data(), count);
    at += count;
    Progress(at);
  }
  check.Finish();
  const TorrentPieces& pieces = check.Result();
  result_.Pieces = pieces.Pieces;
  result_.Unknown = pieces.UnknownCount;
  // Pieces that the file does not reach have no range at all.
  result_.StillFailing = pieces.FailedCount - static_cast<int64_t>(pieces.Failed.size());
  auto add = [&](const Extent& range, bool unknown) {
    PieceSpan span;
    span.Start = range.Offset;
    span.Piece = (span.Start - target_.Start) / target_.PieceLength;
    span.Length = range.Length;
    span.Unknown = unknown;
    // A failed piece that the file holds only in part stays failing: its
    // repair would extend the file.
    if (!unknown && PieceEnd(span.Piece) > size_) {
      Leave(span);
      return;
    }
    spans.push_back(span);
  };
  for (const Extent& range : pieces.Failed) add(range, false);
  for (const Extent& range : pieces.Unknown) add(range, true);
  std::sort(spans.begin(), spans.end(),
            [](const PieceSpan& a, const PieceSpan& b) { return a.Start < b.Start; });
  return true;
}

bool PieceRepair::ReadNeighbour(const TorrentNeighbour& neighbour, std::vector<uint8_t>& bytes) {
  const size_t at = bytes.size();
  bytes.resize(at + static_cast<size_t>(neighbour.Part.Length), 0);
  if (neighbour.Path.empty()) return true;  // a pad file's zeros
  const std::string folder = std::filesystem::path(files_.SelectedPath).parent_path().string();
  const std::unique_ptr<ByteFile> file = files_.Files.OpenReadOnly(folder + "/" + neighbour.Path);
  return file && file->Size() == neighbour.Size &&
         ReadFully(*file, neighbour.Part.Offset, bytes.data() + at, neighbour.Part.Length) ==
             neighbour.Part.Length;
}

void PieceRepair::ReadNeighbours(PieceJob& job) {
  job.Before.clear();
  job.After.clear();
  job.NeighboursRead = true;
  const auto last = static_cast<int64_t>(target_.PieceHashes.size()) - 1;
  if (job.Span.Piece == 0) {
    for (const TorrentNeighbour& neighbour : target_.Before) {
      job.NeighboursRead = job.NeighboursRead && ReadNeighbour(neighbour, job.Before);
    }
  }
  if (job.Span.Piece == last) {
    for (const TorrentNeighbour& neighbour : target_.After) {
      job.NeighboursRead = job.NeighboursRead && ReadNeighbour(neighbour, job.After);
    }
  }
}

bool PieceRepair::ReadReference(PieceJob& job, size_t k) {
  const int64_t held = std::clamp<int64_t>(referenceSizes_[k] - job.Span.Start, 0, job.Span.Length);
  std::vector<uint8_t>& bytes = job.References[k];
  bytes.resize(static_cast<size_t>(held));
  const int64_t read = ReadFully(*files_.References[k], job.Span.Start, bytes.data(), held);
  if (read < 0) return Fail(PieceFault::ReferenceRead, k);
  // A reference cut short meanwhile holds what it still has.
  bytes.resize(static_cast<size_t>(read));
  return true;
}

bool PieceRepair::ReadForFill(PieceJob& job) {
  job.Chosen = nullptr;
  job.Original.resize(static_cast<size_t>(job.Span.Length));
  const int64_t got =
      ReadFully(files_.Selected, job.Span.Start, job.Original.data(), job.Span.Length);
  if (got != job.Span.Length) {
    return Fail(got < 0 ? PieceFault::SelectedRead : PieceFault::SelectedSizeChanged);
  }
  if (!job.Span.Unknown) ReadNeighbours(job);
  job.Merged = job.Original;
  job.References.resize(files_.References.size());
  job.ReferencesRead = 0;
  for (size_t k = 0; k < files_.References.size() && HasZeroByte(job.Merged); ++k) {
    if (!ReadReference(job, k)) return false;
    job.ReferencesRead = k + 1;
    const std::vector<uint8_t>& reference = job.References[k];
    TakeZeroBytesFrom(std::span<uint8_t>(job.Merged.data(), reference.size()), reference);
  }
  job.Filled = job.Merged != job.Original;
  return true;
}

bool PieceRepair::StartJob(PieceJob& job, PieceHashing& hashing) {
  if (!ReadForFill(job)) return false;
  job.NextReference = 0;
  job.At = PieceJob::Step::Ready;
  if (job.Span.Unknown) {
    if (job.Filled) job.Chosen = &job.Merged;
    return true;
  }
  if (!job.NeighboursRead) return true;
  if (!job.Filled) return TryNextReference(job, hashing);
  job.At = PieceJob::Step::Fill;
  hashing.Submit(job, job.Merged);
  return true;
}

bool PieceRepair::TryNextReference(PieceJob& job, PieceHashing& hashing) {
  job.At = PieceJob::Step::Ready;
  for (size_t k = job.NextReference; k < files_.References.size(); ++k) {
    if (k >= job.ReferencesRead) {
      if (!ReadReference(job, k)) return false;
      job.ReferencesRead = k + 1;
    }
    const std::vector<uint8_t>& reference = job.References[k];
    // Bytes already found wrong are not hashed again.
    const auto same = [&](const std::vector<uint8_t>& other) { return other == reference; };
    if (reference.size() != job.Original.size() || same(job.Original) ||
        (job.Filled && same(job.Merged)) ||
        std::any_of(job.References.begin(), job.References.begin() + static_cast<ptrdiff_t>(k),
                    same)) {
      continue;
    }
    job.NextReference = k + 1;
    job.At = PieceJob::Step::Reference;
    hashing.Submit(job, reference);
    return true;
  }
  return true;
}

bool PieceRepair::Advance(PieceJob& job, PieceHashing& hashing) {
  if (job.At == PieceJob::Step::Ready) return true;
  const PieceJob::Verdict verdict = hashing.VerdictOf(job);
  if (verdict == PieceJob::Verdict::Pending) return true;
  if (verdict == PieceJob::Verdict::Verified) {
    job.Chosen = job.Candidate;
    job.At = PieceJob::Step::Ready;
    return true;
  }
  return TryNextReference(job, hashing);
}

void PieceRepair::Leave(const PieceSpan& span) {
  if (span.Unknown) return;
  ++result_.StillFailing;
  if (span.Length > 0) result_.Failing.push_back({span.Start, span.Length});
}

bool PieceRepair::WriteJob(PieceJob& job) {
  ByteFile& file = files_.Selected;
  const int64_t now = file.Size();
  if (now != size_)
    return Fail(now < 0 ? PieceFault::SelectedRead : PieceFault::SelectedSizeChanged);
  again_.resize(static_cast<size_t>(job.Span.Length));
  const int64_t got = ReadFully(file, job.Span.Start, again_.data(), job.Span.Length);
  if (got != job.Span.Length) {
    return Fail(got < 0 ? PieceFault::SelectedRead : PieceFault::SelectedSizeChanged);
  }
  if (again_ != job.Original) {
    // Another program wrote the piece since it was checked.
    Leave(job.Span);
    return true;
  }
  const std::vector<uint8_t>& bytes = *job.Chosen;
  const size_t first = FirstDifference(bytes.data(), job.Original.data(), bytes.size());
  const size_t end = first + DifferenceEnd(bytes.data() + first, job.Original.data() + first,
                                           bytes.size() - first);
  // One write from the first byte that changes to the last: the bytes
  // between are written with the values they hold.
  auto write = [&](const uint8_t* from) {
    if (!file.Seek(job.Span.Start + static_cast<int64_t>(first))) return false;
    for (size_t at = first; at < end;) {
      const auto n = static_cast<int32_t>(std::min<size_t>(ReadBlock, end - at));
      if (file.Write(from + at, n) != n) return false;
      at += static_cast<size_t>(n);
    }
    return true;
  };
  wrote_ = true;
  if (!write(bytes.data())) {
    // The piece goes back to what it was, where the file lets it.
    write(job.Original.data());
    return Fail(PieceFault::SelectedWrite);
  }
  result_.Written.push_back(
      {job.Span.Start + static_cast<int64_t>(first), static_cast<int64_t>(end - first)});
  if (!job.Span.Unknown) ++result_.Repaired;
  return true;
}

PieceRepairResult PieceRepair::Run() {
  if (size_ > target_.EntrySize) {
    Fail(PieceFault::NotDescribed);
    return result_;
  }
  for (ByteFile* reference : files_.References) {
    referenceSizes_.push_back(reference->Size());
    if (referenceSizes_.back() < 0) {
      Fail(PieceFault::ReferenceRead, referenceSizes_.size() - 1);
      return result_;
    }
  }
  std::vector<PieceSpan> spans;
  bool going = CheckPieces(spans);
  // A window of pieces in file order: the first is written as soon as its
  // verdict is in, while the others are read and hashed.
  const int64_t perPiece = std::max<int64_t>(target_.PieceLength, 1) *
                           static_cast<int64_t>(files_.References.size() + 2);
  std::vector<PieceJob> slots(
      std::min(spans.size(), static_cast<size_t>(std::max<int64_t>(WindowBytes / perPiece, 1))));
  std::deque<PieceJob*> window;
  std::vector<PieceJob*> free;
  for (PieceJob& slot : slots) free.push_back(&slot);
  // Declared after the jobs, so that its threads are done before they go.
  PieceHashing hashing(target_, std::thread::hardware_concurrency() > 1 ? 2 : 1);
  size_t next = 0;
  while (going && (next < spans.size() || !window.empty())) {
    const uint64_t given = hashing.Given();
    for (PieceJob* job : window) {
      if (going) going = Advance(*job, hashing);
    }
    if (!going) break;
    if (!window.empty() && window.front()->At == PieceJob::Step::Ready) {
      PieceJob& job = *window.front();
      if (StopAsked()) {
        result_.End = PieceRepairEnd::Stopped;
        break;
      }
      if (job.Chosen == nullptr) {
        Leave(job.Span);
      } else if (!WriteJob(job)) {
        break;
      }
      Progress(size_ + job.Span.Start + job.Span.Length);
      window.pop_front();
      free.push_back(&job);
      continue;
    }
    if (next < spans.size() && !free.empty()) {
      PieceJob& job = *free.back();
      free.pop_back();
      job.Span = spans[next++];
      window.push_back(&job);
      going = StartJob(job, hashing);
      continue;
    }
    hashing.WaitPast(given);
  }
  if (wrote_ && !files_.Selected.Sync() && result_.End != PieceRepairEnd::Failed) {
    Fail(PieceFault::SelectedWrite);
  }
  std::sort(result_.Failing.begin(), result_.Failing.end(),
            [](const Extent& a, const Extent& b) { return a.Offset < b.Offset; });
  return result_;
}

}  // namespace

PieceRepairResult RepairPieces(const PieceRepairFiles& files, const TorrentTarget& target,
                               const PieceRepairHooks& hooks) {
  return PieceRepair(files, target, hooks).Run();
}

}  // namespace tamarack
