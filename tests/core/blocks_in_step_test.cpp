#include "core/blocks_in_step.h"

#include <gtest/gtest.h>

#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "support/program_fixture.h"
#include "support/test_bytes.h"

namespace tamarack {
namespace {

constexpr int32_t Block = 4096;
constexpr int Blocks = 40;
constexpr const char* First = "/v/film.avi";
constexpr const char* Second = "/r/film.avi";

struct Case {
  const char* Name;
  std::string Path;     // the file that fails, shortened or by a call
  std::string Failing;  // that file's kind of call that fails from FailingFrom on, or none
  int FailingFrom;
  int64_t ShortenedTo;  // the file's size when the reading starts, -1 unchanged
  int TakenAtLeast;     // blocks taken before the message
  int TakenAtMost;
  std::optional<FileRole> Role;  // whose message ends the reading
  FileFault Fault;
  int StopAfter;  // blocks the caller takes before it lets go; -1 for all
};

class BlocksInStepTest : public testing::ProgramTest, public ::testing::WithParamInterface<Case> {};

// Blocks come in order, whole from every file and worked on once, on
// whichever thread read them, up to the first block a file did not deliver:
// its message then ends the reading. A caller that lets go early leaves no
// thread behind.
TEST_P(BlocksInStepTest, TakesWholeWorkedBlocksInOrderUpToTheFirstIncompleteOne) {
  const Case& c = GetParam();
  const std::vector<uint8_t> first = testing::RandomBytes(Blocks * Block - 100, 3);
  const std::vector<uint8_t> second = testing::RandomBytes(first.size(), 4);
  AddFile(First, first);
  AddFile(Second, second);
  if (!c.Failing.empty()) files.FailOn(c.Path, c.Failing, c.FailingFrom);
  if (c.ShortenedTo >= 0) files.Files[c.Path].resize(static_cast<size_t>(c.ShortenedTo));
  dialogs.AnyAnswer = PromptResult::Ok;
  OperationControl& control = program->Control;
  control.HoldBusy(true);
  auto firstFile = files.OpenReadOnly(First);
  auto secondFile = files.OpenReadOnly(Second);
  const auto size = static_cast<int64_t>(first.size());
  BlockSource firstSource(control, *firstFile, FileRole::Selected, size, Block);
  BlockSource secondSource(control, *secondFile, FileRole::Reference, size, Block);

  // The work sums each file's bytes of the block into its slot.
  std::vector<std::vector<int64_t>> sums(BlocksInStep::SlotCount, std::vector<int64_t>(2));
  std::vector<int> worked(Blocks);
  int taken = 0;
  {
    BlocksInStep blocks(
        {&firstSource, &secondSource},
        [&](size_t slot, int64_t offset, const std::vector<uint8_t*>& bytes, int32_t count) {
          ++worked[static_cast<size_t>(offset / Block)];
          for (size_t k = 0; k < 2; ++k) {
            sums[slot][k] = std::accumulate(bytes[k], bytes[k] + count, int64_t{0});
          }
        });
    while (!blocks.AtEnd() && taken != c.StopAfter) {
      if (!blocks.Next()) break;
      ASSERT_EQ(blocks.Offset(), int64_t{taken} * Block);
      const auto from = static_cast<size_t>(blocks.Offset());
      const auto count = static_cast<size_t>(blocks.Count());
      ASSERT_EQ(count, std::min<size_t>(Block, first.size() - from));
      for (size_t k = 0; k < 2; ++k) {
        const std::vector<uint8_t>& file = k == 0 ? first : second;
        EXPECT_TRUE(std::equal(file.begin() + from, file.begin() + from + count, blocks.Block(k)));
        EXPECT_EQ(sums[blocks.Slot()][k],
                  std::accumulate(file.begin() + from, file.begin() + from + count, int64_t{0}));
      }
      ++taken;
    }
  }
  EXPECT_GE(taken, c.TakenAtLeast);
  EXPECT_LE(taken, c.TakenAtMost);
  for (int b = 0; b < taken; ++b) EXPECT_EQ(worked[b], 1) << "block " << b;
  EXPECT_EQ(control.Busy(), !c.Role.has_value());
  EXPECT_EQ(dialogs.ShownTexts(), c.Role ? std::vector<std::string>{FaultMessage(*c.Role, c.Fault)}
                                         : std::vector<std::string>{});
  control.HoldBusy(false);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, BlocksInStepTest,
    ::testing::Values(
        Case{"Whole", "", "", 0, -1, Blocks, Blocks, std::nullopt, FileFault::Read, -1},
        Case{"CallerLetsGoEarly", "", "", 0, -1, 3, 3, std::nullopt, FileFault::Read, 3},
        Case{"SecondShortened", Second, "", 0, 10 * Block + 5, 10, 10, FileRole::Reference,
             FileFault::SizeChanged, -1},
        Case{"FirstShortenedToABlockEnd", First, "", 0, 7 * Block, 7, 7, FileRole::Selected,
             FileFault::SizeChanged, -1},
        // The reads of the second file fail from the 12th on, whichever
        // thread asked for which block: the 11 before came whole, and no
        // block is read more than the slots ahead of the one taken.
        Case{"SecondFailsToRead", Second, "read", 12, -1, 12 - BlocksInStep::SlotCount, 11,
             FileRole::Reference, FileFault::Read, -1},
        Case{"FirstFailsToRead", First, "read", 1, -1, 0, 0, FileRole::Selected, FileFault::Read,
             -1}),
    [](const ::testing::TestParamInfo<Case>& c) { return std::string(c.param.Name); });

}  // namespace
}  // namespace tamarack
