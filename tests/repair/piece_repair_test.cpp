// Repair piece by piece from several damaged copies, against an oracle that
// knows the intact file: three copies damaged by zeros, garbage and
// truncation, each the file in turn and the others its references in every
// order.
#include "repair/piece_repair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "analysis/piece_hash.h"
#include "support/fakes.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int64_t Length = 16384;  // of a piece
constexpr int64_t Pieces = 24;
constexpr int64_t Size = Pieces * Length - 3000;

// The torrent's view of the intact file: the SHA-1 of each piece.
TorrentTarget TargetOf(const Bytes& intact) {
  TorrentTarget target;
  target.EntryPath = "film.avi";
  target.EntrySize = static_cast<int64_t>(intact.size());
  target.PieceLength = Length;
  for (int64_t start = 0; start < target.EntrySize; start += Length) {
    const auto count = static_cast<size_t>(std::min(Length, target.EntrySize - start));
    target.PieceHashes.push_back(
        PieceHashOf(target, {std::span<const uint8_t>(intact).subspan(start, count)}));
  }
  return target;
}

void Zeros(Bytes& bytes, int64_t offset, int64_t count) {
  std::fill_n(bytes.begin() + offset, count, 0);
}

// Bytes that are not zero and differ from what they replace.
void Garbage(Bytes& bytes, int64_t offset, int64_t count) {
  for (int64_t i = offset; i < offset + count; ++i) bytes[i] = bytes[i] == 0x5A ? 0xA5 : 0x5A;
}

// The selected file, with the offset and length of every write recorded.
class RecordingFile : public ByteFile {
 public:
  explicit RecordingFile(std::unique_ptr<ByteFile> file) : file_(std::move(file)) {}
  int32_t Read(void* buffer, int32_t count) override {
    const int32_t n = file_->Read(buffer, count);
    position_ += std::max(n, 0);
    return n;
  }
  int32_t Write(const void* buffer, int32_t count) override {
    Writes.push_back({position_, count});
    const int32_t n = file_->Write(buffer, count);
    position_ += std::max(n, 0);
    return n;
  }
  bool Seek(int64_t offset) override {
    position_ = offset;
    return file_->Seek(offset);
  }
  int32_t ReadAt(int64_t offset, void* buffer, int32_t count) override {
    const int32_t n = file_->ReadAt(offset, buffer, count);
    if (AfterRead) AfterRead(offset);
    return n;
  }
  int64_t Size() override { return file_->Size(); }
  bool Close() override { return file_->Close(); }
  bool Sync() override {
    ++Syncs;
    return file_->Sync();
  }

  std::vector<Extent> Writes;
  int Syncs = 0;
  // Called after each read with its offset: another program may write then.
  std::function<void(int64_t offset)> AfterRead;

 private:
  std::unique_ptr<ByteFile> file_;
  int64_t position_ = 0;
};

// What the rule gives, worked out on the bytes, with the intact file in
// place of the hashes.
struct Expected {
  Bytes File;
  int64_t Repaired = 0;
  int64_t StillFailing = 0;
  std::vector<Extent> Failing;
  std::vector<bool> VerifiedBefore;
};

Expected Oracle(const Bytes& intact, const Bytes& file, const std::vector<Bytes>& references) {
  Expected expected{file, 0, 0, {}, std::vector<bool>(Pieces, false)};
  for (int64_t piece = 0; piece < Pieces; ++piece) {
    const int64_t start = piece * Length;
    const int64_t end = std::min(start + Length, Size);
    auto bytesOf = [&](const Bytes& copy) -> std::optional<Bytes> {
      if (static_cast<int64_t>(copy.size()) < end) return std::nullopt;
      return Bytes(copy.begin() + start, copy.begin() + end);
    };
    const Bytes good(intact.begin() + start, intact.begin() + end);
    const std::optional<Bytes> mine = bytesOf(file);
    if (mine == good) {
      expected.VerifiedBefore[piece] = true;
      continue;
    }
    bool repaired = false;
    if (mine) {
      Bytes merged = *mine;
      for (int64_t i = 0; i < end - start; ++i) {
        for (const Bytes& reference : references) {
          if (merged[i] != 0 || start + i >= static_cast<int64_t>(reference.size())) continue;
          merged[i] = reference[start + i];
        }
      }
      repaired = merged == good || std::any_of(references.begin(), references.end(),
                                               [&](const Bytes& r) { return bytesOf(r) == good; });
    }
    if (repaired) {
      ++expected.Repaired;
      std::copy(good.begin(), good.end(), expected.File.begin() + start);
      continue;
    }
    ++expected.StillFailing;
    const int64_t held = std::min<int64_t>(end, static_cast<int64_t>(file.size())) - start;
    if (held > 0) expected.Failing.push_back({start, held});
  }
  return expected;
}

class PieceRepairTest : public ::testing::Test {
 protected:
  PieceRepairTest() : intact(RandomBytes(Size, 31)), target(TargetOf(intact)) {
    Bytes a = intact;
    Zeros(a, Length + 100, 4900);
    Garbage(a, 4 * Length + 10, 890);
    Zeros(a, 8 * Length + 8000, Length - 8000 + 2000);  // across pieces 8 and 9
    Zeros(a, 15 * Length + 3, 5);
    Bytes b = intact;
    Zeros(b, Length + 4000, 5000);  // overlaps a's zeros
    Zeros(b, 4 * Length, Length);
    Garbage(b, 8 * Length + 100, 100);
    Garbage(b, 12 * Length + 5, 50);
    Garbage(b, 20 * Length + 50, 10);
    Bytes c(intact.begin(), intact.begin() + 18 * Length + 777);  // cut short
    Garbage(c, 2 * Length + 4500, 100);
    Zeros(c, 5 * Length + 5, 20);
    Zeros(c, 12 * Length, 1000);  // where b holds garbage
    copies = {a, b, c};
  }

  // Repairs the copy at path "0", "1" or "2" from the references named.
  PieceRepairResult Repair(int file, const std::vector<int>& references,
                           const PieceRepairHooks& hooks = {},
                           std::function<void(int64_t)> afterRead = nullptr) {
    for (int k = 0; k < 3; ++k) files.Files[std::to_string(k)] = copies[k];
    selected = std::make_unique<RecordingFile>(files.OpenExisting(std::to_string(file)));
    selected->AfterRead = std::move(afterRead);
    std::vector<std::unique_ptr<ByteFile>> open;
    PieceRepairFiles given{*selected, selected->Size(), "/v/film.avi", {}, files};
    for (int k : references) {
      open.push_back(files.OpenReadOnly(std::to_string(k)));
      given.References.push_back(open.back().get());
    }
    return RepairPieces(given, target, hooks);
  }

  // True when each piece of the file is either as it was or intact.
  bool PiecesWholeOrAsTheyWere(int file) {
    const Bytes& now = files.Files[std::to_string(file)];
    for (int64_t start = 0; start < static_cast<int64_t>(now.size()); start += Length) {
      const int64_t end = std::min<int64_t>(start + Length, now.size());
      const auto same = [&](const Bytes& other) {
        return std::equal(now.begin() + start, now.begin() + end, other.begin() + start);
      };
      if (!same(copies[file]) && !same(intact)) return false;
    }
    return true;
  }

  const Bytes intact;
  const TorrentTarget target;
  std::vector<Bytes> copies;
  FakeFileSystem files;
  std::unique_ptr<RecordingFile> selected;
};

TEST_F(PieceRepairTest, EachCopyFromTheOthersInEveryOrderGivesWhatTheRuleGives) {
  const std::vector<std::vector<int>> orders[3] = {
      {{1}, {2}, {1, 2}, {2, 1}}, {{0}, {2}, {0, 2}, {2, 0}}, {{0}, {1}, {0, 1}, {1, 0}}};
  int intactResults = 0;
  for (int file = 0; file < 3; ++file) {
    for (const std::vector<int>& order : orders[file]) {
      SCOPED_TRACE(::testing::Message()
                   << "file " << file << " from " << ::testing::PrintToString(order));
      std::vector<Bytes> references;
      for (int k : order) references.push_back(copies[k]);
      const Expected expected = Oracle(intact, copies[file], references);
      const PieceRepairResult result = Repair(file, order);
      const Bytes& now = files.Files[std::to_string(file)];
      EXPECT_EQ(result.End, PieceRepairEnd::Completed);
      EXPECT_EQ(result.Pieces, Pieces);
      EXPECT_EQ(now, expected.File);
      EXPECT_EQ(result.Repaired, expected.Repaired);
      EXPECT_EQ(result.StillFailing, expected.StillFailing);
      EXPECT_EQ(result.Failing, expected.Failing);
      EXPECT_EQ(now == intact, expected.StillFailing == 0);
      intactResults += now == intact;
      // The file differs from the intact one only inside the pieces reported.
      for (size_t i = 0; i < now.size(); ++i) {
        if (now[i] == intact[i]) continue;
        EXPECT_TRUE(std::any_of(result.Failing.begin(), result.Failing.end(),
                                [&](const Extent& r) {
                                  return static_cast<int64_t>(i) >= r.Offset &&
                                         static_cast<int64_t>(i) < r.End();
                                }))
            << "byte " << i;
        break;
      }
      // No write reaches into a piece that verified.
      for (const Extent& write : selected->Writes) {
        for (int64_t piece = write.Offset / Length; piece <= (write.End() - 1) / Length; ++piece) {
          EXPECT_FALSE(expected.VerifiedBefore[piece]) << "piece " << piece;
        }
      }
      EXPECT_EQ(selected->Syncs, selected->Writes.empty() ? 0 : 1);
    }
  }
  // Some repairs make the file whole, others cannot.
  EXPECT_GT(intactResults, 0);
  EXPECT_LT(intactResults, 12);
}

TEST_F(PieceRepairTest, StopOrFaultLeavesEveryPieceWholeOrAsItWas) {
  // The file is checked in one block, then five pieces are repaired.
  for (int stopAfter = 0; stopAfter < 6; ++stopAfter) {
    SCOPED_TRACE(stopAfter);
    int asked = 0;
    const PieceRepairResult result =
        Repair(1, {0, 2}, {nullptr, [&] { return ++asked > stopAfter; }});
    EXPECT_EQ(result.End, PieceRepairEnd::Stopped);
    EXPECT_TRUE(PiecesWholeOrAsTheyWere(1));
  }
  // A write that the file takes only in part is undone.
  for (const int64_t limit : {4 * Length + 100, 8 * Length + 150, 20 * Length + 55}) {
    SCOPED_TRACE(limit);
    files.Capacity = limit;
    const PieceRepairResult result = Repair(1, {0, 2});
    files.Capacity = -1;
    EXPECT_EQ(result.End, PieceRepairEnd::Failed);
    EXPECT_EQ(result.Fault, PieceFault::SelectedWrite);
    EXPECT_TRUE(PiecesWholeOrAsTheyWere(1));
    EXPECT_NE(files.Files["1"], copies[1]);  // the pieces before were repaired
  }
}

TEST_F(PieceRepairTest, PieceChangedMeanwhileIsLeftAsTheOtherProgramWroteIt) {
  // Once piece 12 has been read to be repaired, another program writes
  // into it.
  const int64_t at = 12 * Length + 30;
  const PieceRepairResult result = Repair(1, {0, 2}, {}, [&](int64_t offset) {
    if (offset == 12 * Length) files.Files["1"][at] = 7;
  });
  EXPECT_EQ(result.End, PieceRepairEnd::Completed);
  EXPECT_EQ(files.Files["1"][at], 7);
  EXPECT_EQ(result.Failing, (std::vector<Extent>{{12 * Length, Length}}));
  for (const Extent& write : selected->Writes) EXPECT_NE(write.Offset / Length, 12);
}

// A piece that takes in a file before this one that is not at hand cannot
// be checked: its zero bytes are filled, as without a torrent, even from a
// reference that holds garbage there.
TEST_F(PieceRepairTest, UnknownPieceFillsOnlyZeroBytes) {
  TorrentTarget edge = target;
  edge.Start = -1000;
  edge.Before = {{"a.avi", 5000, {4000, 1000}}};
  Bytes file = intact;
  Zeros(file, 10, 20);
  Garbage(file, 40, 5);
  Bytes reference = intact;
  Garbage(reference, 15, 5);
  files.Files["/v/film.avi"] = file;
  files.Files["/r/ref.avi"] = reference;
  auto open = files.OpenExisting("/v/film.avi");
  auto ref = files.OpenReadOnly("/r/ref.avi");
  const PieceRepairResult result =
      RepairPieces({*open, Size, "/v/film.avi", {ref.get()}, files}, edge, {});
  EXPECT_EQ(result.Unknown, 1);
  EXPECT_FALSE(result.AllVerified());
  Bytes expected = file;
  std::copy_n(reference.begin() + 10, 20, expected.begin() + 10);
  EXPECT_EQ(files.Files["/v/film.avi"], expected);
}

}  // namespace
}  // namespace tamarack::testing
