// Other programs at work on the same files while an operation runs: a
// downloader that still writes the selected file, shortens or lengthens it,
// and links that appear at an output's name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/patch_codes.h"
#include "support/real_files.h"
#include "repair/file_blocks.h"
#include "repair/reference_sample.h"
#include "support/program_fixture.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

const std::string Video = "/v/film.avi";
const std::string Reference = "/r/film.avi";
const std::string Patch = "/v/film.tkp";
const std::string ChangedSize = "The Selected file changed size while it was being worked on.";
const std::string ReferenceDone =
    "Referencing complete. Analyze the Selected file for remaining errors.";
const std::string PatchDone = "Patching complete. Analyze the Selected file for remaining errors.";

// The hole crosses from the first quarter-megabyte block into the second.
constexpr size_t HoleStart = 100000;
constexpr size_t HoleLength = 300000;

class OtherWriterTest : public ProgramTest {
 protected:
  OtherWriterTest() {
    intact = RandomBytes(3 * FileBlockSize + 777, 41);
    damaged = Damaged(intact, {{HoleStart, HoleLength}});
    AddFile(Video, damaged);
    AddFile(Reference, intact);
    SelectFile(Video);
  }

  // The reads of the reference that the sample check makes before the merge.
  int SampleReads() const {
    return static_cast<int>(SampleBlockStarts(static_cast<int64_t>(intact.size())).size());
  }

  // Runs the action once, right after the nth read of the file at path.
  void AfterNthRead(const std::string& path, int n, std::function<void()> action) {
    auto reads = std::make_shared<int>(0);
    files.AfterRead = [=](const std::string& read) {
      if (read == path && ++*reads == n) action();
    };
  }

  // What the downloader stores meanwhile: bytes in the hole and outside it.
  void StoreBytes() {
    std::vector<uint8_t>& file = files.Files[Video];
    std::fill_n(file.begin() + HoleStart + 50000, 100, 0xEE);
    std::fill_n(file.begin() + 10, 5, 0x77);
  }
  std::vector<uint8_t> RepairedAroundStoredBytes() const {
    std::vector<uint8_t> expected = intact;
    std::fill_n(expected.begin() + HoleStart + 50000, 100, 0xEE);
    std::fill_n(expected.begin() + 10, 5, 0x77);
    return expected;
  }

  void RepairWithReference(const std::string& message, PromptResult deleteAnswer) {
    dialogs.ExpectFile(Reference);
    if (message == ReferenceDone) {
      dialogs.Expect(MessageKind::Information, message);
      dialogs.Expect(MessageKind::Confirmation, "This Reference file is no longer needed*",
                     deleteAnswer);
    } else {
      dialogs.Expect(MessageKind::Error, message);
    }
    program->RunCommand(RepairReferenceButton);
  }

  std::vector<uint8_t> intact;
  std::vector<uint8_t> damaged;
};

TEST_F(OtherWriterTest, ReferenceRepairKeepsWhatAnotherProgramStoredMeanwhile) {
  // The first block has been read and merged in memory when the downloader
  // stores its bytes; the repair must not write the stale copy back.
  AfterNthRead(Reference, SampleReads() + 1, [this] { StoreBytes(); });
  RepairWithReference(ReferenceDone, PromptResult::No);
  EXPECT_EQ(files.Files[Video], RepairedAroundStoredBytes());
  EXPECT_TRUE(program->Control.LastRunCompleted());
}

TEST_F(OtherWriterTest, PatchRepairKeepsWhatAnotherProgramStoredMeanwhile) {
  // A patch of units 0 to 6 of the intact copy, written beside the video.
  std::vector<uint8_t> patch = {1, 0, static_cast<uint8_t>(intact.size() / UnitSize), 1, 0, 0, 6};
  patch.insert(patch.end(), intact.begin(), intact.begin() + 7 * UnitSize);
  AddFile(Patch, patch);
  // Header, index, then the first piece of data.
  AfterNthRead(Patch, 3, [this] { StoreBytes(); });
  dialogs.ExpectFile(Patch);
  dialogs.Expect(MessageKind::Information, PatchDone);
  program->RunCommand(RepairPatchButton);
  EXPECT_EQ(files.Files[Video], RepairedAroundStoredBytes());
}

TEST_F(OtherWriterTest, FileShortenedMeanwhileIsNeverExtended) {
  AfterNthRead(Reference, SampleReads() + 1, [this] { files.Files[Video].resize(200000); });
  RepairWithReference(ChangedSize, PromptResult::No);
  ASSERT_EQ(files.Files[Video].size(), 200000u);
  EXPECT_TRUE(std::equal(files.Files[Video].begin(), files.Files[Video].end(), damaged.begin()));
  EXPECT_FALSE(program->Control.LastRunCompleted());
}

TEST_F(OtherWriterTest, FileLengthenedMeanwhileEndsTheRepair) {
  AfterNthRead(Reference, SampleReads() + 1,
               [this] { files.Files[Video].resize(damaged.size() + 4096, 0x55); });
  RepairWithReference(ChangedSize, PromptResult::No);
  std::vector<uint8_t> expected = damaged;
  expected.resize(damaged.size() + 4096, 0x55);
  EXPECT_EQ(files.Files[Video], expected);
  EXPECT_FALSE(program->Control.LastRunCompleted());
}

TEST_F(OtherWriterTest, RepairIsNotReportedCompleteUntilItIsOnTheDisk) {
  files.FailOn(Video, "sync");
  RepairWithReference("The Selected file could not be written to.", PromptResult::No);
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_TRUE(files.Exists(Reference));
}

// The host's files, with a hard link to the selected file put at the
// output's name by "another program" right before the output is made.
class LinkingFileSystem : public PosixFileSystem {
 public:
  std::unique_ptr<OutputFile> CreateOutput(const std::string& path) override {
    if (!LinkTarget.empty()) std::filesystem::create_hard_link(LinkTarget, path);
    return PosixFileSystem::CreateOutput(path);
  }
  std::string LinkTarget;
};

class OutputLinkRaceTest : public ProgramOn<LinkingFileSystem> {
 protected:
  void SetUp() override { ASSERT_TRUE(temp.Made()); }
  TempDir temp;
};

TEST_F(OutputLinkRaceTest, LinkToTheVideoAtTheBackupNameLeavesTheVideoWhole) {
  const std::string video = temp.File("film.avi");
  const std::string backup = temp.File("BACKUP.film.avi");
  const std::vector<uint8_t> bytes = RandomBytes(FileBlockSize + 999, 42);
  WriteRealFile(video, bytes);
  SelectFile(video);

  // A link already there is the video under another name: refused.
  std::filesystem::create_hard_link(video, backup);
  dialogs.Expect(MessageKind::Confirmation, "A Backup file for the Selected file already exists.*",
                 PromptResult::Yes);
  dialogs.Expect(MessageKind::Error, "The Selected file and the Backup file\r\nare the same file.");
  program->RunCommand(CreateBackupButton);
  EXPECT_EQ(ReadRealFile(video), bytes);
  std::filesystem::remove(backup);

  // A link that appears after the checks is replaced, never written through.
  files.LinkTarget = video;
  dialogs.Expect(MessageKind::Information, "The Backup file \"" + backup + "\" has been created.");
  program->RunCommand(CreateBackupButton);
  EXPECT_EQ(ReadRealFile(video), bytes);
  EXPECT_EQ(ReadRealFile(backup), bytes);
  EXPECT_FALSE(std::filesystem::equivalent(video, backup));
}

TEST_F(OutputLinkRaceTest, LinkToTheVideoAtThePatchNameLeavesTheVideoWhole) {
  const std::string video = temp.File("film.avi");
  const std::string patch = temp.File("film.tkp");
  const std::vector<uint8_t> bytes = RandomBytes(3 * UnitSize, 43);
  WriteRealFile(video, bytes);
  SelectFile(video);
  program->RunCommand(PatchCodesButton);
  memo.SetText("00000");
  files.LinkTarget = video;
  dialogs.Expect(MessageKind::Confirmation, "Based on the entered Patch codes,*",
                 PromptResult::Yes);
  dialogs.Expect(MessageKind::Information, "The Patch File \"" + patch + "\" has been created.");
  program->RunCommand(CreatePatchButton);
  EXPECT_EQ(ReadRealFile(video), bytes);
  EXPECT_EQ(ReadRealFile(patch).size(), 7u + UnitSize);
}

}  // namespace
}  // namespace tamarack::testing
