#include "repair/patch_repair.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/patch_codes.h"
#include "support/program_fixture.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

const std::string Completed = "Patching complete. Analyze the Selected file for remaining errors.";
const std::string Video = "/v/movie.avi";
const std::string Patch = "/p/movie.tkp";

struct Entry {
  int FirstUnit;
  int Third;  // the unit count less one
};

// A patch file as the format lays it out, its data taken from the donor
// (zero beyond the donor's end).
std::vector<uint8_t> PatchOf(const std::vector<uint8_t>& donor, const std::vector<Entry>& entries) {
  const size_t units = (donor.size() + UnitSize - 1) / UnitSize;
  std::vector<uint8_t> patch{1, static_cast<uint8_t>((units - 1) >> 8),
                             static_cast<uint8_t>(units - 1), static_cast<uint8_t>(entries.size())};
  for (const Entry& e : entries) {
    patch.push_back(static_cast<uint8_t>(e.FirstUnit >> 8));
    patch.push_back(static_cast<uint8_t>(e.FirstUnit));
    patch.push_back(static_cast<uint8_t>(e.Third));
  }
  for (const Entry& e : entries) {
    const size_t offset = size_t{static_cast<unsigned>(e.FirstUnit)} * UnitSize;
    for (size_t i = 0; i < size_t(e.Third + 1) * UnitSize; ++i) {
      patch.push_back(offset + i < donor.size() ? donor[offset + i] : 0);
    }
  }
  return patch;
}

// What a repair with a valid patch makes of the file, byte by byte.
std::vector<uint8_t> Patched(std::vector<uint8_t> video, const std::vector<uint8_t>& patch) {
  const int count = patch[3];
  size_t data = 4 + 3 * count;
  for (int k = 0; k < count; ++k) {
    const size_t offset = size_t{patch[4 + 3 * k] * 256u + patch[5 + 3 * k]} * UnitSize;
    const size_t length = size_t{patch[6 + 3 * k] + 1u} * UnitSize;
    for (size_t i = 0; i < length; ++i) {
      if (video[offset + i] == 0) video[offset + i] = patch[data + i];
    }
    data += length;
  }
  return video;
}

class PatchRepairTest : public ProgramTest {
 protected:
  void Prepare(std::vector<uint8_t> video, std::vector<uint8_t> patch) {
    AddFile(Video, std::move(video));
    AddFile(Patch, std::move(patch));
    SelectFile(Video);
  }

  // Runs Repair with Patch on the patch file, expecting the one message.
  void Repair(MessageKind kind, const std::string& message) {
    dialogs.ExpectFile(Patch);
    dialogs.Expect(kind, message);
    program->RunCommand(RepairPatchButton);
    EXPECT_TRUE(dialogs.AllAnswered());
    EXPECT_EQ(files.OpenFiles, 0);
  }

  // A refused patch: the message, and neither file has changed.
  void ExpectRefused(const std::vector<uint8_t>& patch, const std::string& message) {
    const std::vector<uint8_t> before = files.Files.at(Video);
    files.Files[Patch] = patch;
    Repair(MessageKind::Error, message);
    EXPECT_EQ(files.Files.at(Video), before);
    EXPECT_EQ(files.Files.at(Patch), patch);
    EXPECT_FALSE(program->Control.LastRunCompleted());
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  }
};

TEST_F(PatchRepairTest, ZeroBytesTakeThePatchBytesAndOthersStay) {
  const std::vector<uint8_t> intact = RandomBytes(6 * UnitSize + 100, 1);
  std::vector<uint8_t> video = Damaged(intact, {{UnitSize + 10, 5000}, {3 * UnitSize - 3, 9000}});
  // A byte that differs from the patch but is not zero.
  video[UnitSize + 5] = static_cast<uint8_t>(intact[UnitSize + 5] + 1) | 1;
  // The patch's data is zero where the selected file is zero too.
  std::vector<uint8_t> donor = Damaged(intact, {{UnitSize + 20, 7}});
  const std::vector<uint8_t> patch = PatchOf(donor, {{1, 0}, {2, 1}});
  Prepare(video, patch);
  std::vector<std::string> pumpTexts;
  pump.OnPump = [&](int) { pumpTexts.push_back(program->Progress.LastProgressText()); };
  Repair(MessageKind::Information, Completed);

  const std::vector<uint8_t> expected = Patched(video, patch);
  EXPECT_EQ(files.Files.at(Video), expected);
  EXPECT_EQ(expected[UnitSize + 5], video[UnitSize + 5]);
  EXPECT_EQ(expected[UnitSize + 20], 0);
  EXPECT_EQ(files.Files.at(Patch), patch);
  EXPECT_TRUE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  EXPECT_EQ(pumpTexts, (std::vector<std::string>{"Initializing - 0%", "Repairing with Patch - 0%",
                                                 "Repairing with Patch - 50%", ""}));
  EXPECT_EQ(files.Counts[Patch].Seeks, 0);

  // The second run finds nothing left to fill.
  Repair(MessageKind::Information, Completed);
  EXPECT_EQ(files.Files.at(Video), expected);
}

TEST_F(PatchRepairTest, ACancelledDialogOpensNothing) {
  Prepare(RandomBytes(4 * UnitSize, 2), {});
  // Opening the selected file now would fail with a message.
  files.Locked[Video] = true;
  dialogs.ExpectFile("");
  program->RunCommand(RepairPatchButton);
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_EQ(dialogs.FileRequests.back().Title, "Select Patch File");
  EXPECT_EQ(dialogs.FileRequests.back().Filters[0].Label, "Tamarack patch files (*.tkp)");
  EXPECT_EQ(dialogs.FileRequests.back().DefaultExtension, "tkp");
}

TEST_F(PatchRepairTest, APatchFileThatCannotBeOpenedGivesTheAccessMessage) {
  Prepare(RandomBytes(4 * UnitSize, 3), {});
  files.Locked[Patch] = true;
  ExpectRefused({},
                "The Patch file cannot be accessed because:\r\n"
                " - Another application may be using this file, or\r\n"
                " - The file may be read-only, or\r\n"
                " - The file may have been moved, renamed or deleted since being selected");
}

TEST_F(PatchRepairTest, APatchCutShortOrGrownIsRefused_truncated) {
  const std::vector<uint8_t> intact = RandomBytes(6 * UnitSize, 4);
  const std::vector<uint8_t> video = Damaged(intact, {{0, 6 * UnitSize}});
  const std::vector<uint8_t> patch = PatchOf(intact, {{0, 0}, {2, 1}, {5, 0}});
  Prepare(video, patch);
  const size_t indexEnd = 4 + 3 * 3;
  std::vector<size_t> cuts;
  for (size_t n = 0; n <= indexEnd; ++n) cuts.push_back(n);
  for (size_t n :
       {indexEnd + 1, indexEnd + UnitSize, indexEnd + 3 * UnitSize + 7, patch.size() - 1}) {
    cuts.push_back(n);
  }
  for (size_t n : cuts) {
    SCOPED_TRACE(n);
    const char* message = n < 4          ? "The Patch file does not contain a valid header."
                          : n < indexEnd ? "The Patch file index is corrupt."
                                         : "The Patch file data is corrupt.";
    ExpectRefused(std::vector<uint8_t>(patch.begin(), patch.begin() + n), message);
  }
  std::vector<uint8_t> grown = patch;
  grown.push_back(0);
  ExpectRefused(grown, "The Patch file data is corrupt.");
}

TEST_F(PatchRepairTest, TheHeaderIsCheckedInItsOrder_malformed) {
  const std::vector<uint8_t> intact = RandomBytes(6 * UnitSize + 1, 5);  // 7 units
  Prepare(Damaged(intact, {{100000, 3000}}), {});
  std::vector<uint8_t> patch = PatchOf(intact, {{1, 0}});

  patch[0] = 0;
  ExpectRefused(patch,
                "This Patch cannot be used with this version of this program.\r\n"
                "Ask the person who created the patch to upgrade to the latest version\r\n"
                "and re-create the patch.");
  const std::string upgrade =
      "This Patch cannot be used with this version of this program.\r\nUpgrade to the latest "
      "version.";
  patch[0] = 2;
  ExpectRefused(patch, upgrade);
  // An AVI file chosen as the patch: "R" is version 82.
  std::vector<uint8_t> avi = intact;
  std::copy_n("RIFF", 4, avi.begin());
  ExpectRefused(avi, upgrade);

  patch[0] = 1;
  patch[2] = 7;  // made for a file of 8 units
  ExpectRefused(patch, "This Patch file is for a different video file.");
  patch[2] = 5;
  ExpectRefused(patch, "This Patch file is for a different video file.");

  // The region count is checked before anything after the header.
  std::vector<uint8_t> empty{1, 0, 6, 0};
  ExpectRefused(empty, "The Patch file contains no patch data.");
  empty.resize(1000, 0xAB);
  ExpectRefused(empty, "The Patch file contains no patch data.");
}

TEST_F(PatchRepairTest, AnyVideoWithTheSameUnitCountIsAccepted) {
  const std::vector<uint8_t> other = RandomBytes(7 * UnitSize, 6);
  const std::vector<uint8_t> video = Damaged(RandomBytes(6 * UnitSize + 1, 7), {{UnitSize, 2000}});
  const std::vector<uint8_t> patch = PatchOf(other, {{1, 0}});
  Prepare(video, patch);
  Repair(MessageKind::Information, Completed);
  EXPECT_EQ(files.Files.at(Video), Patched(video, patch));
}

TEST_F(PatchRepairTest, ARegionBeyondTheSelectedFileIsRefusedBeforeWriting_overflow) {
  // 100000 bytes: unit 0 whole, unit 1 partial.
  const std::vector<uint8_t> intact = RandomBytes(2 * UnitSize, 8);
  Prepare(Damaged(std::vector<uint8_t>(intact.begin(), intact.begin() + 100000), {{0, 100000}}),
          {});
  const std::string message = "This Patch file does not fit the Selected file.";
  // The first region fits and would be applied if the check came late; unit
  // 2 lies wholly beyond the file.
  ExpectRefused(PatchOf(intact, {{0, 0}, {2, 0}}), message);
  ExpectRefused(PatchOf(intact, {{0, 2}}), message);
  ExpectRefused(PatchOf(intact, {{1, 1}}), message);
  // First units beyond 2 GiB and at the top.
  ExpectRefused(PatchOf(intact, {{0, 0}, {0x8000, 0}}), message);
  ExpectRefused(PatchOf(intact, {{0xFFFF, 0}}), message);
}

// A region may end in the last, partial unit. What the patch holds past the
// end of the file fills nothing, whatever it is: the file keeps its size.
TEST_F(PatchRepairTest, TheLastPartialUnitIsFilledOnlyWithinTheFile) {
  const std::vector<uint8_t> intact = RandomBytes(2 * UnitSize, 12);
  const std::vector<uint8_t> file(intact.begin(), intact.begin() + 100000);
  Prepare(Damaged(file, {{60000, 40000}}), PatchOf(intact, {{0, 1}}));
  Repair(MessageKind::Information, Completed);
  EXPECT_EQ(files.Files.at(Video), file);
}

TEST_F(PatchRepairTest, AnEntryOf256UnitsCarries16MebibytesOfData) {
  const std::vector<uint8_t> intact = RandomBytes(256 * UnitSize, 9);
  const std::vector<uint8_t> video =
      Damaged(intact, {{20000, 5000}, {5 * UnitSize - 100, 300000}, {256 * UnitSize - 4000, 4000}});
  const std::vector<uint8_t> patch = PatchOf(intact, {{0, 255}});
  ASSERT_EQ(patch.size(), 7u + 16777216);
  Prepare(video, patch);
  Repair(MessageKind::Information, Completed);
  EXPECT_EQ(files.Files.at(Video), intact);
  // Only the holes are written: one write each, and one more where a hole
  // crosses from one quarter-megabyte piece into the next.
  EXPECT_EQ(files.Counts[Video].Writes, 4);
}

TEST_F(PatchRepairTest, EntriesNamingTheSameUnitsApplyOneAfterTheOther) {
  const std::vector<uint8_t> intact = RandomBytes(4 * UnitSize, 10);
  const std::vector<uint8_t> video = Damaged(intact, {{UnitSize, UnitSize}});
  // The first entry's data has a hole that the second fills; the second's
  // other bytes differ and must not overwrite what the first filled.
  std::vector<uint8_t> patch = PatchOf(Damaged(intact, {{UnitSize + 100, 50}}), {{1, 0}, {1, 0}});
  for (size_t i = 7 + UnitSize; i < patch.size(); ++i) patch[i] ^= 0xFF;
  Prepare(video, patch);
  Repair(MessageKind::Information, Completed);
  const std::vector<uint8_t>& result = files.Files.at(Video);
  EXPECT_EQ(result, Patched(video, patch));
  EXPECT_EQ(result[UnitSize], intact[UnitSize]);
  EXPECT_EQ(result[UnitSize + 100], 0xFF);
}

TEST_F(PatchRepairTest, AStopBetweenRegionsKeepsWhatWasApplied) {
  const std::vector<uint8_t> intact = RandomBytes(6 * UnitSize, 11);
  const std::vector<uint8_t> video = Damaged(intact, {{0, 6 * UnitSize}});
  const std::vector<uint8_t> patch = PatchOf(intact, {{0, 0}, {2, 0}, {4, 0}});
  Prepare(video, patch);
  pump.OnPump = [this](int) {
    if (program->Progress.LastProgressText() != "Repairing with Patch - 33%") return;
    dialogs.Expect(MessageKind::Confirmation,
                   "Current operation paused.\r\nStop current operation?", PromptResult::Yes);
    program->RunCommand(PauseStopButton);
  };
  dialogs.ExpectFile(Patch);
  program->RunCommand(RepairPatchButton);
  EXPECT_TRUE(dialogs.AllAnswered());
  std::vector<uint8_t> expected = video;
  std::copy_n(intact.begin(), UnitSize, expected.begin());
  EXPECT_EQ(files.Files.at(Video), expected);
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  EXPECT_EQ(files.OpenFiles, 0);
}

TEST_F(PatchRepairTest, UnexpectedFaultsEndTheRepair) {
  const std::vector<uint8_t> intact = RandomBytes(4 * UnitSize, 12);
  const std::vector<uint8_t> video = Damaged(intact, {{0, 4 * UnitSize}});
  const std::vector<uint8_t> patch = PatchOf(intact, {{0, 0}, {2, 1}});
  Prepare(video, patch);

  // Header, index, then the first piece of data.
  files.FailOn(Patch, "read", 3);
  ExpectRefused(patch, "The Patch file could not be read.");

  files.Failures.clear();
  files.Counts[Video] = {};
  files.FailOn(Video, "write", 2);
  dialogs.ExpectFile(Patch);
  dialogs.Expect(MessageKind::Error, "The Selected file could not be written to.");
  program->RunCommand(RepairPatchButton);
  // The first region was written before the fault and stays written.
  std::vector<uint8_t> expected = video;
  std::copy_n(intact.begin(), UnitSize, expected.begin());
  EXPECT_EQ(files.Files.at(Video), expected);
  EXPECT_EQ(files.OpenFiles, 0);

  // Another program shortens the selected file during the repair.
  files.Failures.clear();
  files.Files[Video] = video;
  pump.OnPump = [this](int) {
    if (program->Progress.LastProgressText() == "Repairing with Patch - 50%") {
      files.Files[Video].resize(2 * UnitSize + 10);
    }
  };
  Repair(MessageKind::Error, "The Selected file changed size while it was being worked on.");
  EXPECT_EQ(files.Files.at(Video).size(), 2u * UnitSize + 10);
}

}  // namespace
}  // namespace tamarack::testing
