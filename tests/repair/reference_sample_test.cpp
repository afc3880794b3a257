// The check that a reference is a copy of the selected file, made on a
// sample before the merge writes anything, and the count of the bytes that
// both files hold differently.
#include "repair/reference_sample.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/size_text.h"
#include "repair/file_blocks.h"
#include "repair/reference_repair.h"
#include "support/program_fixture.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

const std::string Video = "/v/film.avi";
const std::string Second = "/r/film.avi";
const std::string Completed =
    "Referencing complete. Analyze the Selected file for remaining errors.";
const std::string DeleteOffer = "This Reference file is no longer needed*";

TEST(SampleBlockStarts, ASmallFileIsReadWhole) {
  EXPECT_EQ(SampleBlockStarts(1024), std::vector<int64_t>{0});
  EXPECT_EQ(SampleBlockStarts(2 * FileBlockSize + 1),
            (std::vector<int64_t>{0, FileBlockSize, 2 * FileBlockSize}));
  EXPECT_EQ(SampleBlockStarts(66 * int64_t{FileBlockSize}).size(), 66u);
}

TEST(SampleBlockStarts, ALargeFileIsSampledFromStartToEndWithoutOverlap) {
  for (const int64_t size : {66 * int64_t{FileBlockSize} + 1, int64_t{700'000'001},
                             (int64_t{1} << 31) - 1, int64_t{50} << 30}) {
    SCOPED_TRACE(size);
    const std::vector<int64_t> starts = SampleBlockStarts(size);
    ASSERT_EQ(starts.size(), 66u);
    EXPECT_EQ(starts.front(), 0);
    EXPECT_EQ(starts.back(), size - FileBlockSize);
    for (size_t i = 1; i < starts.size(); ++i) EXPECT_GE(starts[i], starts[i - 1] + FileBlockSize);
    // Spread evenly: no gap between two blocks is much wider than another.
    EXPECT_LE(starts[2] - starts[1], size / 65 + 1);
    EXPECT_GE(starts[2] - starts[1], size / 65 - FileBlockSize);
  }
}

TEST(ReferenceSample, MoreThanOnePercentDifferingLooksForeign) {
  EXPECT_FALSE(LooksForeign({0, 0}));  // nothing held by both tells nothing
  EXPECT_FALSE(LooksForeign({100, 1}));
  EXPECT_TRUE(LooksForeign({100, 2}));
  EXPECT_FALSE(LooksForeign({10000, 100}));
  EXPECT_TRUE(LooksForeign({10000, 101}));
  EXPECT_EQ(DifferingPercent({10000, 101}), "1.1");  // rounded up: never 1.0 above 1 %
  EXPECT_EQ(DifferingPercent({1000, 375}), "37.5");
  EXPECT_EQ(DifferingPercent({3, 3}), "100.0");
  EXPECT_EQ(DifferingPercent({3, 1}), "33.4");
}

// A share is given only of enough bytes; below them the question says that
// it cannot judge, and it still asks "Repair anyway?".
TEST(ReferenceSample, TheQuestionGivesAShareOnlyOfEnoughBytes) {
  const std::string tooFew =
      "Whether the Reference file is a copy of the Selected file cannot be judged:\r\n"
      "both files hold data at the same places in only ";
  const std::string needed = ";\r\nat least 64Kb held by both are needed to compare them.";
  const std::string foreign = "The Reference file does not look like a copy of the Selected file.";
  const std::string question = "\r\nRepair anyway?";
  const struct {
    HeldBytes Sample;
    std::string Text;
  } cases[] = {
      {{1, 1}, tooFew + "1 byte, 1 of which differs" + needed},
      {{3, 2}, tooFew + "3 bytes, 2 of which differ" + needed},
      {{MinJudgedBytes - 1, 1000}, tooFew + "65,535 bytes, 1,000 of which differ" + needed},
      {{MinJudgedBytes, 1000}, foreign + "\r\n1.6% of the data that both files hold differs."},
      {{1000000, 999999}, foreign + "\r\n100.0% of the data that both files hold differs."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ForeignReferenceQuestion(c.Sample), c.Text + question) << c.Sample.BothHeld;
  }
}

TEST(ReferenceSample, HeldBytesCountOnlyWhereNeitherIsZero) {
  const std::vector<uint8_t> a = {0, 0, 5, 5, 7, 9};
  const std::vector<uint8_t> b = {0, 4, 0, 5, 8, 9};
  HeldBytes counts;
  CountHeldBytes(a, b, counts);
  EXPECT_EQ(counts.BothHeld, 3);
  EXPECT_EQ(counts.Differing, 1);
  // Over many chunks the sums go on, against a plain count.
  const std::vector<uint8_t> x = RandomBytes(100000, 3);
  const std::vector<uint8_t> y = RandomBytes(100000, 4);
  HeldBytes fast;
  CountHeldBytes(x, y, fast);
  HeldBytes plain;
  for (size_t i = 0; i < x.size(); ++i) {
    if (x[i] == 0 || y[i] == 0) continue;
    ++plain.BothHeld;
    if (x[i] != y[i]) ++plain.Differing;
  }
  EXPECT_EQ(fast.BothHeld, plain.BothHeld);
  EXPECT_EQ(fast.Differing, plain.Differing);
  // The one-pass comparison against the plain rule, both ways round, on
  // spans of every length: copies that differ in a few bytes and miss one.
  std::vector<uint8_t> copy = x;
  for (size_t i = 17; i < copy.size(); i += 9973) {
    if (copy[i] != 0) copy[i] = static_cast<uint8_t>(copy[i] == 0xFF ? 1 : copy[i] + 1);
  }
  copy[200] = 0;
  const std::vector<std::pair<const std::vector<uint8_t>*, const std::vector<uint8_t>*>> pairs = {
      {&x, &copy}, {&copy, &x}, {&x, &y}, {&x, &x}};
  for (const auto& [target, source] : pairs) {
    for (size_t length : {size_t{0}, size_t{1}, size_t{4095}, size_t{4097}, x.size()}) {
      bool fills = false;
      int64_t differing = 0;
      for (size_t i = 0; i < length; ++i) {
        const uint8_t t = (*target)[i];
        const uint8_t s = (*source)[i];
        fills = fills || (t == 0 && s != 0);
        if (t != 0 && s != 0 && t != s) ++differing;
      }
      const SpanComparison comparison =
          CompareSpans(std::span(target->data(), length), std::span(source->data(), length));
      EXPECT_EQ(comparison.Fills, fills) << length;
      EXPECT_EQ(comparison.Differing, differing) << length;
    }
  }
}

class ReferenceSampleCheckTest : public ProgramTest {
 protected:
  ReferenceSampleCheckTest() : intact(RandomBytes(Size, 61)) {}

  void Prepare(std::vector<uint8_t> selected, std::vector<uint8_t> reference) {
    AddFile(Video, std::move(selected));
    AddFile(Second, std::move(reference));
    SelectFile(Video);
    files.Counts.clear();
  }
  OperationResult Repair() {
    dialogs.ExpectFile(Second);
    return program->Run(Operation::RepairWithReference);
  }

  static constexpr size_t Size = 3 * FileBlockSize + 4321;
  std::vector<uint8_t> intact;
};

TEST_F(ReferenceSampleCheckTest, AnotherDownloadOfTheSameFilePasses) {
  const std::vector<uint8_t> selected = Damaged(intact, {{5000, 300000}});
  Prepare(selected, Damaged(intact, {{200000, 10000}, {600000, 70000}}));
  dialogs.Expect(MessageKind::Information, Completed);
  dialogs.Expect(MessageKind::Confirmation, DeleteOffer, PromptResult::No);
  EXPECT_EQ(Repair().Result, Outcome::Completed);
  EXPECT_EQ(files.Files[Video], Damaged(intact, {{200000, 10000}}));
  EXPECT_EQ(program->LastFindings().Counts, (std::vector<ReferenceCount>{{Second, 0}}));
}

TEST_F(ReferenceSampleCheckTest, AnotherVideoOfTheSameSizeIsQuestionedBeforeAnythingIsWritten) {
  const std::vector<uint8_t> selected = Damaged(intact, {{5000, 300000}});
  const std::vector<uint8_t> other = RandomBytes(Size, 62);
  Prepare(selected, other);
  // 255 of 256 values differ where both hold a byte: 99.7 % or so.
  const std::string question =
      "The Reference file does not look like a copy of the Selected file.\r\n"
      "99.7% of the data that both files hold differs.\r\nRepair anyway?";
  dialogs.Expect(MessageKind::Confirmation, question, PromptResult::No);
  EXPECT_EQ(Repair().Result, Outcome::Declined);
  EXPECT_EQ(dialogs.DefaultOf("The Reference file does not look"), DefaultAnswer::No);
  EXPECT_EQ(files.Files[Video], selected);
  EXPECT_EQ(files.Counts[Video].Writes, 0);
  EXPECT_TRUE(files.Exists(Second));
  EXPECT_EQ(files.OpenFiles, 0);
  EXPECT_TRUE(program->LastFindings().Counts.empty());

  // Yes goes on with the merge: the holes take the other video's bytes.
  dialogs.Expect(MessageKind::Confirmation, question, PromptResult::Yes);
  dialogs.Expect(MessageKind::Information, Completed);
  dialogs.Expect(MessageKind::Information,
                 "The Reference file holds other data than the Selected file in *");
  dialogs.Expect(MessageKind::Confirmation, DeleteOffer, PromptResult::No);
  EXPECT_EQ(Repair().Result, Outcome::Completed);
  std::vector<uint8_t> expected = selected;
  for (size_t i = 0; i < Size; ++i) {
    if (expected[i] == 0) expected[i] = other[i];
  }
  EXPECT_EQ(files.Files[Video], expected);
}

// A file all but lost shares a single byte with the reference, and it
// differs: no share of one byte is given.
TEST_F(ReferenceSampleCheckTest, ASampleTooSmallToJudgeSaysSo) {
  size_t held = Size / 2;
  while (intact[held] == 0) ++held;
  std::vector<uint8_t> selected(Size, 0);
  selected[held] = static_cast<uint8_t>(intact[held] == 1 ? 2 : 1);
  Prepare(selected, intact);
  dialogs.Expect(MessageKind::Confirmation, "Whether the Reference file is a copy*",
                 PromptResult::No);
  EXPECT_EQ(Repair().Result, Outcome::Declined);
  EXPECT_EQ(files.Files[Video], selected);
}

TEST_F(ReferenceSampleCheckTest, HalfAPercentDifferingPassesAndIsCounted) {
  const std::vector<uint8_t> selected = Damaged(intact, {{5000, 300000}});
  std::vector<uint8_t> reference = intact;
  // One byte in 200 changed to another value that is not zero, outside the
  // selected file's hole as well as inside it.
  std::mt19937 random(63);
  int64_t outsideHole = 0;
  for (size_t i = 0; i < Size; i += 200) {
    const size_t at = i + random() % 200;
    if (at >= Size || reference[at] == 0 || selected[at] == 0) continue;
    reference[at] = static_cast<uint8_t>(reference[at] == 255 ? 1 : reference[at] + 1);
    ++outsideHole;
  }
  Prepare(selected, reference);
  dialogs.Expect(MessageKind::Information, Completed);
  dialogs.Expect(MessageKind::Information,
                 "The Reference file holds other data than the Selected file in " +
                     FormatThousands(outsideHole) +
                     " bytes;\r\nthe Selected file kept its own data there.");
  dialogs.Expect(MessageKind::Confirmation, DeleteOffer, PromptResult::No);
  EXPECT_EQ(Repair().Result, Outcome::Completed);
  EXPECT_EQ(program->LastFindings().Counts, (std::vector<ReferenceCount>{{Second, outsideHole}}));
  std::vector<uint8_t> expected = selected;
  std::copy_n(reference.begin() + 5000, 300000, expected.begin() + 5000);
  EXPECT_EQ(files.Files[Video], expected);
}

TEST_F(ReferenceSampleCheckTest, AFaultOrAStopInTheSampleWritesNothing) {
  const std::vector<uint8_t> selected = Damaged(intact, {{5000, 300000}});
  Prepare(selected, intact);
  files.FailOn(Second, "read", 2);
  dialogs.Expect(MessageKind::Error, "The Reference file could not be read.");
  EXPECT_EQ(Repair().Result, Outcome::Failed);
  files.Failures.clear();

  clock.Step = 1000;
  pump.OnPump = [&](int) {
    if (program->Progress.OperationTitle() != "Repairing with Reference") return;
    pump.OnPump = nullptr;
    dialogs.Expect(MessageKind::Confirmation, "Current operation paused.*", PromptResult::Yes);
    program->RunCommand(PauseStopButton);
  };
  EXPECT_EQ(Repair().Result, Outcome::Stopped);
  EXPECT_EQ(files.Files[Video], selected);
  EXPECT_EQ(files.Counts[Video].Writes, 0);
  EXPECT_EQ(files.OpenFiles, 0);
}

}  // namespace
}  // namespace tamarack::testing
