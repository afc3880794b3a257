#include "core/block_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "support/program_fixture.h"
#include "support/real_files.h"
#include "support/test_bytes.h"

namespace tamarack {
namespace {

constexpr int32_t Block = 4096;
constexpr const char* Path = "/v/film.avi";

// What another program does to the file after the source's first read.
enum class Change { None, Shrinks, ShrinksToABlockEnd, Grows, RewrittenShorter, RewrittenLonger };

struct Case {
  const char* Name;
  Change What;
  std::string Failing;  // a kind of call of the fakes that fails, or none
  int FailingFrom;      // from this call of that kind on
  int BlocksTaken;      // of the three the file had when it was opened
  std::optional<FileFault> Fault;
};

// Each case runs with the blocks read into the source's buffer and into
// buffers of a pool.
class BlockSourceTest : public testing::ProgramTest,
                        public ::testing::WithParamInterface<std::tuple<Case, bool>> {};

// Every block comes whole or ends the operation with the message, and a
// pass to the end tells a file that changed size however it changed; the
// bytes given are those the file held at each read.
TEST_P(BlockSourceTest, GivesWholeBlocksOrTellsWhatHappened) {
  const Case& c = std::get<0>(GetParam());
  const bool pooled = std::get<1>(GetParam());
  BlockPool pool(Block, 2);
  const std::vector<uint8_t> bytes = testing::RandomBytes(3 * Block, 7);
  const std::vector<uint8_t> other = testing::RandomBytes(4 * Block, 8);
  AddFile(Path, bytes);
  if (!c.Failing.empty()) files.FailOn(Path, c.Failing, c.FailingFrom);
  bool changed = false;
  files.AfterRead = [&](const std::string&) {
    if (changed) return;
    changed = true;
    std::vector<uint8_t>& now = files.Files[Path];
    switch (c.What) {
      case Change::None:
        break;
      case Change::Shrinks:
        now.resize(Block + Block / 2);
        break;
      case Change::ShrinksToABlockEnd:
        now.resize(Block);
        break;
      case Change::Grows:
        now.resize(3 * Block + 1);
        break;
      case Change::RewrittenShorter:
        now.assign(other.begin(), other.begin() + 2 * Block + 9);
        break;
      case Change::RewrittenLonger:
        now = other;
        break;
    }
  };
  dialogs.AnyAnswer = PromptResult::Ok;
  OperationControl& control = program->Control;
  control.HoldBusy(true);
  auto file = files.OpenReadOnly(Path);
  ASSERT_NE(file, nullptr);
  BlockSource source(control, *file, FileRole::Selected, 3 * Block, Block);

  int taken = 0;
  while (!source.AtEnd() && control.Busy()) {
    HeldBlock held;
    std::span<const uint8_t> block;
    if (pooled) {
      held = source.NextHeldBlock(pool);
      block = {held.Bytes.get(), static_cast<size_t>(held.Count)};
      EXPECT_TRUE(!held.Bytes || held.Offset == taken * Block);
    } else {
      block = source.NextBlock();
    }
    if (block.empty()) break;
    // The first block comes before the change, the others after it.
    const std::vector<uint8_t>& from =
        taken > 0 && (c.What == Change::RewrittenShorter || c.What == Change::RewrittenLonger)
            ? other
            : bytes;
    ASSERT_EQ(block.size(), size_t{Block});
    EXPECT_TRUE(std::equal(block.begin(), block.end(), from.begin() + taken * Block));
    ++taken;
    EXPECT_EQ(source.Position(), taken * Block);
  }
  const bool held = control.Busy() && source.SizeHeld();
  EXPECT_EQ(taken, c.BlocksTaken);
  EXPECT_EQ(held, !c.Fault.has_value());
  EXPECT_EQ(control.Busy(), !c.Fault.has_value());
  EXPECT_EQ(dialogs.ShownTexts(),
            c.Fault ? std::vector<std::string>{FaultMessage(FileRole::Selected, *c.Fault)}
                    : std::vector<std::string>{});
  control.HoldBusy(false);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, BlockSourceTest,
    ::testing::Combine(
        ::testing::Values(
            Case{"Unchanged", Change::None, "", 0, 3, std::nullopt},
            Case{"Shrinks", Change::Shrinks, "", 0, 1, FileFault::SizeChanged},
            Case{"ShrinksToABlockEnd", Change::ShrinksToABlockEnd, "", 0, 1,
                 FileFault::SizeChanged},
            Case{"Grows", Change::Grows, "", 0, 3, FileFault::SizeChanged},
            Case{"RewrittenShorter", Change::RewrittenShorter, "", 0, 2, FileFault::SizeChanged},
            Case{"RewrittenLonger", Change::RewrittenLonger, "", 0, 3, FileFault::SizeChanged},
            Case{"ReadFails", Change::None, "read", 2, 1, FileFault::Read},
            Case{"SizeUnreadable", Change::None, "size", 1, 3, FileFault::Read}),
        ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<Case, bool>>& c) {
      return std::string(std::get<0>(c.param).Name) + (std::get<1>(c.param) ? "Pooled" : "");
    });

class HostBlockSourceTest : public testing::RealFilesTest {};

// On the host, blocks looked at in place show the file's bytes; a file cut
// short under them ends the look at the lost bytes with the changed-size
// message instead of ending the process.
TEST_F(HostBlockSourceTest, LooksInPlaceAndTellsBytesLostUnderTheLook) {
  constexpr int32_t Large = 65536;
  const std::string path = temp.File("film.avi");
  const std::vector<uint8_t> bytes = testing::RandomBytes(4 * Large, 9);
  testing::WriteRealFile(path, bytes);
  dialogs.AnyAnswer = PromptResult::Ok;
  OperationControl& control = program->Control;
  control.HoldBusy(true);
  auto file = files.OpenReadOnly(path);
  ASSERT_NE(file, nullptr);
  BlockSource source(control, *file, FileRole::Selected, 4 * Large, Large,
                     BlockSource::Access::InPlace);
  std::vector<uint8_t> seen;
  const auto look = [&](std::span<const uint8_t> block) {
    seen.reserve(seen.size() + block.size());
    for (const uint8_t byte : block) seen.push_back(byte);
  };
  ASSERT_TRUE(source.LookAtNextBlock(look));
  EXPECT_TRUE(std::equal(seen.begin(), seen.end(), bytes.begin(), bytes.begin() + Large));

  std::filesystem::resize_file(path, Large + 100);
  EXPECT_FALSE(source.LookAtNextBlock(look));
  EXPECT_FALSE(control.Busy());
  EXPECT_EQ(dialogs.ShownTexts(),
            std::vector<std::string>{FaultMessage(FileRole::Selected, FileFault::SizeChanged)});
  control.HoldBusy(false);
}

}  // namespace
}  // namespace tamarack
