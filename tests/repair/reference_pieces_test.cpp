// Repair with Reference in the window with a torrent at hand: the one
// reference repairs piece by piece, and the completion message counts the
// pieces.
#include "repair/reference_pieces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/piece_hash.h"
#include "support/program_fixture.h"
#include "support/test_bytes.h"
#include "ui/block_grid.h"

namespace tamarack::testing {
namespace {

const std::string Video = "/v/film.avi";
const std::string Torrent = "/t/film.torrent";
constexpr int64_t Length = 16384;
constexpr size_t Size = 10 * Length + 500;

// A v1 torrent of the single file, bencoded as a torrent maker writes it.
std::vector<uint8_t> TorrentOf(const std::vector<uint8_t>& file) {
  TorrentTarget sha1;
  std::string hashes;
  for (size_t start = 0; start < file.size(); start += Length) {
    const size_t count = std::min<size_t>(Length, file.size() - start);
    hashes += PieceHashOf(sha1, {std::span<const uint8_t>(file).subspan(start, count)});
  }
  const std::string text = "d4:infod6:lengthi" + std::to_string(file.size()) +
                           "e4:name8:film.avi12:piece lengthi" + std::to_string(Length) +
                           "e6:pieces" + std::to_string(hashes.size()) + ":" + hashes + "ee";
  return {text.begin(), text.end()};
}

class ReferencePiecesTest : public ProgramTest {
 protected:
  ReferencePiecesTest() : intact(RandomBytes(Size, 5)) {
    damaged = Damaged(intact, {{Length + 10, 100}, {8 * Length, 50}});
    for (size_t i = 4 * Length; i < 4 * Length + 9; ++i) damaged[i] ^= 0x11;
    AddFile(Video, damaged);
    AddFile(Torrent, TorrentOf(intact));
    SelectFile(Video);
    EXPECT_TRUE(program->UseTorrent(Torrent));
  }

  Color CellColor(int index) const {
    const CellOrigin o = CellPosition(static_cast<uint16_t>(index));
    return program->Bitmap.GetPixel(o.X, o.Y);
  }

  std::vector<uint8_t> intact;
  std::vector<uint8_t> damaged;
};

TEST_F(ReferencePiecesTest, ShorterReferenceRepairsThePiecesItHolds) {
  // Cut short before piece 8: no sample question, no size message, and no
  // deletion offer while a piece fails.
  AddFile("/r/short.avi", std::vector<uint8_t>(intact.begin(), intact.begin() + 7 * Length));
  dialogs.ExpectFile("/r/short.avi");
  dialogs.Expect(MessageKind::Information,
                 "Referencing complete.\r\nPieces repaired: 2. Still failing: 1.");
  EXPECT_EQ(program->Run(Operation::RepairWithReference).Result, Outcome::Completed);
  std::vector<uint8_t> expected = intact;
  std::fill_n(expected.begin() + 8 * Length, 50, 0);
  EXPECT_EQ(files.Files[Video], expected);
  // Green where a piece was written, silver where none was.
  const int64_t cell = (static_cast<int64_t>(Size) + 2000) / 2001;
  EXPECT_EQ(CellColor(static_cast<int>((Length + 10) / cell) + 1), Green);
  EXPECT_EQ(CellColor(static_cast<int>(6 * Length / cell) + 1), Silver);
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(ReferencePiecesTest, DeletionIsOfferedOnlyWhenEveryPieceVerifiesAndClearForgetsTheTorrent) {
  AddFile("/r/whole.avi", intact);
  dialogs.ExpectFile("/r/whole.avi");
  dialogs.Expect(MessageKind::Information,
                 "Referencing complete.\r\nPieces repaired: 3. Still failing: 0.");
  dialogs.Expect(MessageKind::Confirmation, "This Reference file is no longer needed*",
                 PromptResult::No);
  EXPECT_EQ(program->Run(Operation::RepairWithReference).Result, Outcome::Completed);
  EXPECT_EQ(files.Files[Video], intact);

  // Without the torrent a shorter reference is refused again.
  program->RunCommand(SelectClearButton);
  SelectFile(Video);
  AddFile("/r/short.avi", std::vector<uint8_t>(Size - 1, 1));
  dialogs.ExpectFile("/r/short.avi");
  dialogs.Expect(MessageKind::Error,
                 "The Selected file and Reference file\r\nare different sizes.");
  EXPECT_EQ(program->Run(Operation::RepairWithReference).Result, Outcome::Failed);
  EXPECT_TRUE(dialogs.AllAnswered());
}

}  // namespace
}  // namespace tamarack::testing
